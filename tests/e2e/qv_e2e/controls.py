"""The main window's controls by their Win32 IDs (the low 16 bits of each
control number), and the program's fixed texts."""

INSTALL = 0x0006
UNINSTALL = 0x005E
FORCE_CLOSE = 0x5768
ROLL_BACK = 0x576A
VOICE_CHAT_CHECK = 0x006A
CREDIT = 0x0053
SOURCE_GROUP = 0x0005
SOURCE_SELECTOR = 0x5756
CUSTOM_SOURCE = 0x5755
SOURCE_HINT = 0x5767
VOICE_GROUP = 0x006F
VOICE_SERVER = 0x0070
WINDOW = 0  # a child of the window itself reports its parent's ID as 0

CUSTOM_ENTRY = "自定义"
BS_MULTILINE = 0x2000
