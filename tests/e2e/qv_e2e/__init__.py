"""Helpers of the end-to-end suite: Xvfb, the Wine prefix, the maker site,
the driver client and a reading of the program's windows."""
