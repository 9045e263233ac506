#!/usr/bin/python3
"""Checks a maker-site folder before it is published: check.py FOLDER [--version V]

FOLDER is the folder a static server maps onto the site's root (site/www).
Prints one line per problem, "path: what is wrong", and exits with 1 when
there is any, 0 otherwise.
"""

import argparse
import json
import os
import re
import sys

VERSION_FILE = "Quorvane/versioninfo.json"
ANNOUNCEMENT_FILE = "Quorvane/announcer.txt"
VOICE_SERVER_FILE = "Quorvane/bcl.ini"
SOURCE_LIST_FILE = "Quorvane/srclist.json"
NUMBERED_FOLDER = "Quorvane/scrbase"
CUSTOM_LIST_FILE = "Quorvane/serverlist.json"
DOWNLOAD_PAGE = "quorvane/index.html"
PAGES = ("index.html", DOWNLOAD_PAGE)

DELIMITER = "§"
CUSTOM_ENTRY = "自定义"
REGION_TYPE = "StaticHttpRegionInfo, Assembly-CSharp"
TRANSLATE_NAME = 1003
# The game puts its own official regions in front of the list.
OFFICIAL_REGIONS = 3

ADDRESS = re.compile(r"^https?://[A-Za-z0-9]([A-Za-z0-9.-]*[A-Za-z0-9])?$")
VOICE_ADDRESS = re.compile(r"^https?://[A-Za-z0-9]([A-Za-z0-9.-]*[A-Za-z0-9])?(:[0-9]{1,5})?(/[\x21-\x7e]*)?$")
NUMBERED_NAME = re.compile(r"^(0|[1-9][0-9]*)\.json$")


class DuplicateKey(ValueError):
    pass


class JsonObject(list):
    """A JSON object's members as (name, value) pairs in file order, so that
    "$type first" can be seen."""


def keep_pairs(pairs):
    names = [name for name, _ in pairs]
    for name in names:
        if names.count(name) > 1:
            raise DuplicateKey("member %s appears twice" % json.dumps(name, ensure_ascii=False))
    return JsonObject(pairs)


def reject_constant(name):
    raise ValueError("%s is not JSON" % name)


def is_array(value):
    return isinstance(value, list) and not isinstance(value, JsonObject)


def is_integer(value):
    return isinstance(value, int) and not isinstance(value, bool)


def read_bytes(root, relative, problems):
    path = os.path.join(root, relative)
    if not os.path.isfile(path):
        problems.append("%s: missing" % relative)
        return None
    with open(path, "rb") as f:
        return f.read()


def decode_gbk(data, relative, problems):
    """The tool shows these files in code page 936 and stops at a zero byte."""
    if b"\0" in data:
        problems.append("%s: holds a zero byte; the tool cuts the text there" % relative)
    if data.startswith(b"\xef\xbb\xbf"):
        problems.append("%s: starts with a UTF-8 byte-order mark; it must be GBK" % relative)
        return None
    if not data.isascii():
        try:
            data.decode("utf-8")
            problems.append("%s: is UTF-8 text; it must be GBK" % relative)
            return None
        except UnicodeDecodeError:
            pass
    try:
        text = data.decode("gbk")
    except UnicodeDecodeError as error:
        problems.append("%s: not valid GBK at byte %d" % (relative, error.start))
        return None
    return text


def check_version(root, expected, problems):
    """Returns the published version, or None when the file is unusable."""
    data = read_bytes(root, VERSION_FILE, problems)
    if data is None:
        return None
    if b"\r" in data or b"\n" in data:
        problems.append("%s: holds a line break; the tool compares every byte" % VERSION_FILE)
    elif not data or not re.fullmatch(rb"[0-9]+(\.[0-9]+)*", data):
        problems.append("%s: %r is not a version like 2.2025.6.15" % (VERSION_FILE, data))
    elif expected is not None and data != expected.encode("ascii"):
        problems.append("%s: says %s, the program is %s" % (VERSION_FILE, data.decode("ascii"), expected))
    else:
        return data.decode("ascii")
    return None


def check_announcement(root, problems):
    data = read_bytes(root, ANNOUNCEMENT_FILE, problems)
    if data is not None:
        decode_gbk(data, ANNOUNCEMENT_FILE, problems)


def check_voice_server(root, problems):
    data = read_bytes(root, VOICE_SERVER_FILE, problems)
    if data is None:
        return
    text = decode_gbk(data, VOICE_SERVER_FILE, problems)
    if text is None:
        return
    if "\r" in text or "\n" in text:
        problems.append("%s: holds a line break; the tool writes the text into the box untrimmed" % VOICE_SERVER_FILE)
    elif not VOICE_ADDRESS.match(text):
        problems.append("%s: %r is not an http or https address" % (VOICE_SERVER_FILE, text))
    else:
        check_voice_server_body(root, text, problems)


def check_voice_server_body(root, address, problems):
    # The tool writes the body fetched from this address into BetterCrewLink's
    # serverURL; when the address is one of this site's own files, that body
    # must itself be a server address.
    path = re.sub(r"^https?://[^/]+", "", address).lstrip("/")
    if not path.startswith("Quorvane/"):
        return
    data = read_bytes(root, path, problems)
    if data is None:
        return
    text = data.decode("ascii", "replace")
    if "\r" in text or "\n" in text or not VOICE_ADDRESS.match(text):
        problems.append("%s: %r is not a single http or https address" % (path, text))


def source_names(root, problems):
    data = read_bytes(root, SOURCE_LIST_FILE, problems)
    if data is None:
        return None
    text = decode_gbk(data, SOURCE_LIST_FILE, problems)
    if text is None:
        return None
    names = text.split(DELIMITER)
    if len(names) > 1 and names[-1] == "":
        names.pop()  # a delimiter at the very end adds no name
    for index, name in enumerate(names):
        where = "%s: name %d" % (SOURCE_LIST_FILE, index)
        if name == "":
            problems.append("%s is empty" % where)
        elif name == CUSTOM_ENTRY:
            problems.append("%s is %s, which the tool takes for its custom entry" % (where, CUSTOM_ENTRY))
        elif "\r" in name or "\n" in name:
            problems.append("%s %r holds a line break, which becomes part of the name" % (where, name))
        elif name != name.strip():
            problems.append("%s %r starts or ends with blanks" % (where, name))
    return names


def check_numbered_files(root, names, problems):
    folder = os.path.join(root, NUMBERED_FOLDER)
    present = sorted(os.listdir(folder)) if os.path.isdir(folder) else []
    for entry in present:
        match = NUMBERED_NAME.match(entry)
        if not match:
            problems.append("%s/%s: not a numbered region list (0.json, 1.json, ...)" % (NUMBERED_FOLDER, entry))
        elif int(match.group(1)) >= len(names):
            problems.append("%s/%s: no source name has this number (%d names)" % (NUMBERED_FOLDER, entry, len(names)))
    listed = []
    for index in range(len(names)):
        relative = "%s/%d.json" % (NUMBERED_FOLDER, index)
        if "%d.json" % index in present:
            listed.append(relative)
        else:
            problems.append("%s: missing, for source name %d" % (relative, index))
    return listed


def check_server(server, where, problems):
    if not isinstance(server, JsonObject):
        problems.append("%s: not an object" % where)
        return
    fields = dict(server)
    for name in ("Name", "Ip", "Port", "UseDtls"):
        if name not in fields:
            problems.append("%s: no %s" % (where, name))
    if "Name" in fields and not isinstance(fields["Name"], str):
        problems.append("%s.Name: not a text" % where)
    ip = fields.get("Ip")
    if "Ip" in fields and not (isinstance(ip, str) and ADDRESS.match(ip)):
        problems.append("%s.Ip: %s is not an http:// or https:// host address" % (where, json.dumps(ip)))
    port = fields.get("Port")
    if "Port" in fields and not (is_integer(port) and 1 <= port <= 65535):
        problems.append("%s.Port: %s is not a port (1-65535)" % (where, json.dumps(port)))
    if "UseDtls" in fields and fields["UseDtls"] is not False:
        problems.append("%s.UseDtls: must be false for an HTTP server" % where)


def check_region(region, where, problems):
    if not isinstance(region, JsonObject):
        problems.append("%s: not an object" % where)
        return
    if not region or region[0][0] != "$type":
        problems.append("%s: \"$type\" is not the first member" % where)
    fields = dict(region)
    if fields.get("$type") != REGION_TYPE:
        problems.append("%s.$type: must be %s" % (where, json.dumps(REGION_TYPE)))
    for name in ("Name", "PingServer"):
        if not (isinstance(fields.get(name), str) and fields[name]):
            problems.append("%s.%s: missing or not a text" % (where, name))
    if fields.get("TranslateName") != TRANSLATE_NAME or not is_integer(fields.get("TranslateName")):
        problems.append("%s.TranslateName: must be %d" % (where, TRANSLATE_NAME))
    servers = fields.get("Servers")
    if not (is_array(servers) and servers):
        problems.append("%s.Servers: missing or not a non-empty array" % where)
        return
    for index, server in enumerate(servers):
        check_server(server, "%s.Servers[%d]" % (where, index), problems)


def check_region_list(data, relative, problems):
    """The format the game reads from regionInfo.json, which the tool writes
    byte for byte; the tool also shows it converted to GB2312."""
    if data.startswith(b"\xef\xbb\xbf"):
        problems.append("%s: starts with a byte-order mark" % relative)
        return
    if b"\0" in data:
        problems.append("%s: holds a zero byte" % relative)
        return
    try:
        text = data.decode("utf-8")
    except UnicodeDecodeError as error:
        problems.append("%s: not valid UTF-8 at byte %d" % (relative, error.start))
        return
    try:
        text.encode("gb2312")
    except UnicodeEncodeError as error:
        problems.append("%s: %r has no GB2312 form; the tool would show no content" % (relative, error.object[error.start]))
    try:
        document = json.loads(text, object_pairs_hook=keep_pairs, parse_constant=reject_constant)
    except ValueError as error:
        problems.append("%s: not JSON: %s" % (relative, error))
        return
    if not isinstance(document, JsonObject):
        problems.append("%s: the top level is not an object" % relative)
        return
    top = dict(document)
    regions = top.get("Regions")
    if not (is_array(regions) and regions):
        problems.append("%s: Regions: missing or not a non-empty array" % relative)
        return
    current = top.get("CurrentRegionIdx")
    if not (is_integer(current) and 0 <= current < OFFICIAL_REGIONS + len(regions)):
        problems.append("%s: CurrentRegionIdx: %s is not an index among the %d official and %d listed regions"
                        % (relative, json.dumps(current), OFFICIAL_REGIONS, len(regions)))
    for index, region in enumerate(regions):
        check_region(region, "%s: Regions[%d]" % (relative, index), problems)


def check_pages(root, version, problems):
    for relative in PAGES:
        data = read_bytes(root, relative, problems)
        if data is None:
            continue
        try:
            page = data.decode("utf-8")
        except UnicodeDecodeError as error:
            problems.append("%s: not valid UTF-8 at byte %d" % (relative, error.start))
            continue
        if not re.search(r"<meta charset=\"?utf-8\"?", page, re.IGNORECASE):
            problems.append("%s: does not declare charset utf-8" % relative)
        if not re.search(r"<title>[^<]+</title>", page):
            problems.append("%s: has no title" % relative)
        # An update offer sends users here; the page must offer what was announced.
        if relative == DOWNLOAD_PAGE and version is not None and version not in page:
            problems.append("%s: does not name the published version %s" % (relative, version))


def check_site(root, version=None):
    """Returns the list of problems found in the site folder ROOT."""
    problems = []
    if not os.path.isdir(root):
        return ["%s: not a folder" % root]
    published = check_version(root, version, problems)
    check_announcement(root, problems)
    check_voice_server(root, problems)
    names = source_names(root, problems)
    if names is not None:
        for relative in check_numbered_files(root, names, problems):
            check_region_list(read_bytes(root, relative, problems), relative, problems)
    data = read_bytes(root, CUSTOM_LIST_FILE, problems)
    if data is not None:
        check_region_list(data, CUSTOM_LIST_FILE, problems)
    check_pages(root, published, problems)
    return problems


def main(arguments=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("folder", help="the folder served as the site's root")
    parser.add_argument("--version", help="the program version the version file must carry")
    options = parser.parse_args(arguments)
    problems = check_site(options.folder, options.version)
    for problem in problems:
        print(problem)
    if problems:
        print("%d problem(s) in %s" % (len(problems), options.folder), file=sys.stderr)
        return 1
    print("%s: site is complete and well-formed" % options.folder)
    return 0


if __name__ == "__main__":
    sys.exit(main())
