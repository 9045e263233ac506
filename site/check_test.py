"""The site checker against the bundled site and against copies of it with
one fault each."""

import json
import os
import shutil
import subprocess
import sys

import pytest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import check  # noqa: E402

BUNDLED = os.path.join(HERE, "www")
VERSION = "2.2025.6.15"


def write(root, relative, data):
    with open(os.path.join(root, relative), "wb") as f:
        f.write(data)


def edit_region_list(relative, change):
    def apply(root):
        path = os.path.join(root, relative)
        with open(path, encoding="utf-8") as f:
            document = json.load(f)
        change(document)
        write(root, relative, json.dumps(document, ensure_ascii=False, indent=2).encode("utf-8"))
    return apply


def first_server(document):
    return document["Regions"][0]["Servers"][0]


def type_last(document):
    region = document["Regions"][0]
    region_type = region.pop("$type")
    region["$type"] = region_type


def prepend_bom(relative):
    def apply(root):
        path = os.path.join(root, relative)
        with open(path, "rb") as f:
            data = f.read()
        write(root, relative, b"\xef\xbb\xbf" + data)
    return apply


def replace_in(relative, old, new):
    def apply(root):
        with open(os.path.join(root, relative), "rb") as f:
            data = f.read()
        assert old in data
        write(root, relative, data.replace(old, new))
    return apply


def set_server(member, value):
    return edit_region_list("Quorvane/scrbase/1.json", lambda d: first_server(d).__setitem__(member, value))


def remove(relative):
    return lambda root: os.remove(os.path.join(root, relative))


def copy(source, target):
    return lambda root: shutil.copyfile(os.path.join(root, source), os.path.join(root, target))


def gbk(text):
    return text.encode("gbk")


# name, fault applied to a copy of the bundled site, a text the report must hold
BROKEN_SITES = [
    ("missing_numbered_file", remove("Quorvane/scrbase/2.json"), "Quorvane/scrbase/2.json: missing"),
    ("numbered_file_without_name", copy("Quorvane/scrbase/0.json", "Quorvane/scrbase/3.json"),
     "Quorvane/scrbase/3.json: no source name"),
    ("numbered_file_with_leading_zero", copy("Quorvane/scrbase/0.json", "Quorvane/scrbase/01.json"),
     "01.json: not a numbered region list"),
    ("type_not_first", edit_region_list("Quorvane/scrbase/0.json", type_last),
     "Quorvane/scrbase/0.json: Regions[0]: \"$type\" is not the first member"),
    ("wrong_type", edit_region_list("Quorvane/serverlist.json",
                                    lambda d: d["Regions"][0].__setitem__("$type", "DnsRegionInfo, Assembly-CSharp")),
     "Regions[0].$type: must be"),
    ("port_zero", set_server("Port", 0), "Servers[0].Port: 0 is not a port"),
    ("port_too_high", set_server("Port", 65536), "Servers[0].Port: 65536 is not a port"),
    ("port_as_text", set_server("Port", "443"), "Servers[0].Port: \"443\" is not a port"),
    ("ip_without_scheme", set_server("Ip", "gz.quorvane.example"), "Servers[0].Ip: \"gz.quorvane.example\""),
    ("ip_with_path", set_server("Ip", "https://gz.quorvane.example/game"), "Servers[0].Ip:"),
    ("dtls_on", set_server("UseDtls", True), "Servers[0].UseDtls: must be false"),
    ("no_translate_name", edit_region_list("Quorvane/scrbase/2.json", lambda d: d["Regions"][2].pop("TranslateName")),
     "Regions[2].TranslateName: must be 1003"),
    ("no_regions", edit_region_list("Quorvane/scrbase/0.json", lambda d: d.__setitem__("Regions", [])),
     "Regions: missing or not a non-empty array"),
    ("region_index_past_list", edit_region_list("Quorvane/scrbase/1.json", lambda d: d.__setitem__("CurrentRegionIdx", 4)),
     "CurrentRegionIdx: 4 is not an index"),
    ("region_list_with_bom", prepend_bom("Quorvane/scrbase/0.json"), "Quorvane/scrbase/0.json: starts with a byte-order mark"),
    ("region_list_not_json", lambda root: write(root, "Quorvane/scrbase/1.json", b'{"CurrentRegionIdx": 3, "Regions": [],}'),
     "Quorvane/scrbase/1.json: not JSON"),
    ("region_list_duplicate_member", lambda root: write(root, "Quorvane/serverlist.json",
                                                        b'{"CurrentRegionIdx": 3, "CurrentRegionIdx": 3, "Regions": []}'),
     "member \"CurrentRegionIdx\" appears twice"),
    ("region_name_outside_gb2312", edit_region_list("Quorvane/scrbase/0.json",
                                                    lambda d: d["Regions"][0].__setitem__("Name", "社区服 \U0001f680")),
     "has no GB2312 form"),
    ("version_with_line_break", lambda root: write(root, "Quorvane/versioninfo.json", b"2.2025.6.15\r\n"),
     "versioninfo.json: holds a line break"),
    ("version_of_another_program", lambda root: write(root, "Quorvane/versioninfo.json", b"2.2025.6.14"),
     "versioninfo.json: says 2.2025.6.14, the program is 2.2025.6.15"),
    ("announcement_invalid_gbk", lambda root: write(root, "Quorvane/announcer.txt", gbk("公告") + b"\xff\xfe"),
     "announcer.txt: not valid GBK at byte 4"),
    ("announcement_saved_as_utf8", lambda root: write(root, "Quorvane/announcer.txt", "本周维护公告".encode("utf-8")),
     "announcer.txt: is UTF-8 text"),
    ("source_list_invalid_gbk", lambda root: write(root, "Quorvane/srclist.json", gbk("甲§乙") + b"\x81"),
     "srclist.json: not valid GBK"),
    ("source_name_with_line_break", lambda root: write(root, "Quorvane/srclist.json", gbk("甲§乙§丙\r\n")),
     "srclist.json: name 2 '丙\\r\\n' holds a line break"),
    ("source_name_empty", lambda root: write(root, "Quorvane/srclist.json", gbk("甲§§乙")),
     "srclist.json: name 1 is empty"),
    ("source_name_is_custom_entry", lambda root: write(root, "Quorvane/srclist.json", gbk("甲§自定义§乙")),
     "name 1 is 自定义"),
    ("voice_server_with_line_break", lambda root: write(root, "Quorvane/bcl.ini", b"https://voice.quorvane.example\n"),
     "bcl.ini: holds a line break"),
    ("voice_server_not_an_address", lambda root: write(root, "Quorvane/bcl.ini", b"voice.quorvane.example"),
     "bcl.ini: 'voice.quorvane.example' is not an http or https address"),
    ("voice_server_body_not_an_address",
     lambda root: write(root, "Quorvane/bclserver.txt", b"<html>voice server</html>"),
     "bclserver.txt: '<html>voice server</html>' is not a single http or https address"),
    ("voice_server_body_missing", lambda root: os.remove(os.path.join(root, "Quorvane/bclserver.txt")),
     "bclserver.txt"),
    ("missing_download_page", remove("quorvane/index.html"), "quorvane/index.html: missing"),
    ("download_page_behind_version", replace_in("quorvane/index.html", b"2.2025.6.15", b"2.2025.6.14"),
     "quorvane/index.html: does not name the published version 2.2025.6.15"),
    ("page_without_charset", lambda root: write(root, "index.html", b"<html><title>Quorvane</title></html>"),
     "index.html: does not declare charset utf-8"),
]


@pytest.fixture
def site_copy(tmp_path):
    root = tmp_path / "www"
    shutil.copytree(BUNDLED, root)
    return str(root)


def test_bundled_site_has_no_problems():
    assert check.check_site(BUNDLED, VERSION) == []


@pytest.mark.parametrize("fault, expected", [case[1:] for case in BROKEN_SITES], ids=[case[0] for case in BROKEN_SITES])
def test_fault_is_reported(site_copy, fault, expected):
    fault(site_copy)
    problems = check.check_site(site_copy, VERSION)
    assert any(expected in problem for problem in problems), problems


def test_final_delimiter_adds_no_source(site_copy):
    # Three names and a delimiter at the end still ask for exactly 0..2.json.
    write(site_copy, "Quorvane/srclist.json", gbk("华东社区服§华南社区服§海外加速服§"))
    assert check.check_site(site_copy, VERSION) == []


@pytest.mark.parametrize("folder, status, expected", [
    (BUNDLED, 0, "site is complete and well-formed"),
    ("broken", 1, "Quorvane/scrbase/0.json: missing"),
], ids=["bundled", "broken"])
def test_command_line(site_copy, folder, status, expected):
    if folder == "broken":
        os.remove(os.path.join(site_copy, "Quorvane/scrbase/0.json"))
        folder = site_copy
    result = subprocess.run([sys.executable, os.path.join(HERE, "check.py"), folder, "--version", VERSION],
                            capture_output=True, text=True, timeout=60)
    assert result.returncode == status
    assert expected in result.stdout
