"""Hostile input, end to end: huge, empty, broken and malformed downloads,
servers that stall, cut off or redirect, certificates that must be refused,
and game and BetterCrewLink files that cannot be written. Each case ends in
its one clear box (or the specified silence), loses nothing, and leaves a
program that still closes normally."""

import time
from pathlib import Path

import pytest

from conftest import REGION_LIST, VOICE_SERVER
from qv_e2e.controls import CUSTOM_ENTRY, CUSTOM_SOURCE, INSTALL, SOURCE_SELECTOR, VOICE_CHAT_CHECK
from qv_e2e.driver import DriverError
from qv_e2e.ui import IDCANCEL, IDOK
from qv_e2e_hostile import Answer, FileLocker, HostileServer, serving_certificate, signed_certificate

MIB = 1024 * 1024
SCRBASE_0 = "/Quorvane/scrbase/0.json"
CONTENT_HEADING = "\r\n\r\n安装内容（中文可能会变成乱码，正常现象）:\r\n\r\n"
PLAIN_SUCCESS_HEAD = "安装成功!" + CONTENT_HEADING
VOICE_SUCCESS_HEAD = "安装成功!\r\n\r\nBetterCrewLink服务器地址已更改为："
EMPTY_DOWNLOAD = ("错误！", "未能获取安装源内的私服列表，请重试，若多次无法获取请检查安装源的可用性。")
WRITE_FAILURE = ("安装结果：", "安装失败，请重试。若再次失败请检查文件权限或寻求帮助！")
PATCH_FAILURE = ("错误!", "未能更改BetterCrewLink服务器地址，配置文件未被修改。请检查网络和BetterCrewLink设置后重试。")
NETWORK_ERROR = ("网络错误！", "未能从服务器获得版本信息，请检查网络是否畅通。")
OLD_REGION_LIST = b'{"CurrentRegionIdx":0,"Regions":[{"Name":"the player\'s own list"}]}'
SETTINGS = b"\x01\x02settings of the game\x00\xff"
# Beyond http_get's 30-second receive time-out, inside the wait for the box.
STALL_WAIT = 90


class Files:
    """The game's and BetterCrewLink's files in the test prefix."""

    def __init__(self, session):
        self.game_data = session.prefix.local_low / "Innersloth" / "Among Us"
        self.region_list = self.game_data / "regionInfo.json"
        self.settings = self.game_data / "settings.amogus"
        self.config = session.prefix.roaming / "bettercrewlink" / "config.json"

    def put(self, path, data):
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_bytes(data)


@pytest.fixture
def files(launcher, session):
    return Files(session)


@pytest.fixture
def locker_exe(config):
    return str(Path(config.driver).parent / "qv_file_locker.exe")


@pytest.fixture
def servers():
    started = []
    yield started
    for server in started:
        server.stop()


def click_install(app):
    # No settle: the window's thread is busy with the download until the box.
    app.driver.click(app.control(INSTALL).hwnd)


def expect_box(app, expected, timeout=60):
    box = app.wait_box(timeout=timeout)
    assert (box.title, box.body) == expected
    return box


def close_normally(app):
    """Answers nothing more: the window is closed and the program must end
    with exit code 0, which a crash or a hang would not give."""
    snapshot = app.wait_for(lambda s: s.main is not None and not s.boxes, "the main window without boxes")
    app.driver.close(snapshot.main.hwnd)
    assert app.wait_exit() == 0


def choose_custom_source(app, address):
    selector = app.control(SOURCE_SELECTOR)
    app.driver.select(selector.hwnd, selector.items.index(CUSTOM_ENTRY))
    app.settle()
    app.driver.type(app.control(CUSTOM_SOURCE).hwnd, address, replace=True)
    app.settle()


def install_and_wait_result(app, timeout=60):
    """Clicks Install and waits for its box. While the window's thread is
    held in a download, a look at its windows may go unanswered; that is
    waited out as well, within the same bound."""
    click_install(app)
    deadline = time.monotonic() + timeout
    while True:
        try:
            return app.wait_box(timeout=max(1.0, deadline - time.monotonic()))
        except DriverError:
            if time.monotonic() > deadline:
                raise


# --- region lists from the maker site ---------------------------------------

# A list this size holds a character that GB2312 lacks, as player-made names
# often do; the conversion for the box then fails, so the box stays short
# and the case is about the download and the write, not the box's layout.
HUGE_REGION_LIST = (b'{"CurrentRegionIdx":0,"Regions":[{"Name":"\xf0\x9f\x9a\x80 ' + b"x" * (100 * MIB) +
                    b'"}]}\r\n')

# name, body served for source 0, the box's title and text, whether the body
# ends up in regionInfo.json (otherwise the old list stays)
REGION_LIST_CASES = [
    ("100_mib", HUGE_REGION_LIST, ("安装结果：", PLAIN_SUCCESS_HEAD), True),
    ("all_nul_bytes", b"\x00" * 4096, EMPTY_DOWNLOAD, False),
    ("nul_first_then_a_list", b"\x00" + REGION_LIST, EMPTY_DOWNLOAD, False),
    ("invalid_utf8", b'{"Regions":[{"Name":"\xff\xfe\xc3\x28 broken"}]}', ("安装结果：", PLAIN_SUCCESS_HEAD), True),
    ("gbk_lead_byte_at_the_end", REGION_LIST + b"\x81", ("安装结果：", PLAIN_SUCCESS_HEAD), True),
]


@pytest.mark.parametrize("name, body, expected, written", REGION_LIST_CASES,
                         ids=[case[0] for case in REGION_LIST_CASES])
def test_region_list_body(launcher, site, files, name, body, expected, written):
    files.put(files.region_list, OLD_REGION_LIST)
    files.put(files.settings, SETTINGS)
    site.set(SCRBASE_0, body)
    app = launcher.start_to_main()
    box = install_and_wait_result(app, timeout=180)
    assert (box.title, box.body) == expected
    assert box.icon == ("exclamation" if written else "error")
    app.answer(box, IDOK)
    assert files.region_list.read_bytes() == (body if written else OLD_REGION_LIST)
    assert files.settings.read_bytes() == SETTINGS
    assert app.control(INSTALL).text == "安装" and app.control(INSTALL).enabled
    close_normally(app)


# --- source lists ---------------------------------------------------------

def test_source_list_ending_in_a_gbk_lead_byte_keeps_it_in_the_last_item(launcher, site):
    site.set("/Quorvane/srclist.json", "甲源§乙源".encode("gbk") + b"\x81")
    app = launcher.start_to_main()
    items = app.control(SOURCE_SELECTOR).items
    assert len(items) == 3 and items[0] == "甲源" and items[2] == CUSTOM_ENTRY
    # The lone lead byte is one character more, however the code page shows it.
    assert items[1].startswith("乙源") and len(items[1]) == len("乙源") + 1
    close_normally(app)


def test_ten_thousand_sources_then_the_custom_entry_and_install_of_item_9999(launcher, site, files):
    names = [f"源{i}" for i in range(10000)]
    site.set("/Quorvane/srclist.json", "§".join(names).encode("gbk"))
    last_list = b'{"CurrentRegionIdx":0,"Regions":[{"Name":"source 9999"}]}'
    site.set("/Quorvane/scrbase/9999.json", last_list)
    app = launcher.start_to_main()
    selector = app.control(SOURCE_SELECTOR)
    assert selector.items == names + [CUSTOM_ENTRY]
    app.driver.select(selector.hwnd, 9999)
    app.settle()
    box = install_and_wait_result(app)
    assert (box.title, box.body) == ("安装结果：", PLAIN_SUCCESS_HEAD + last_list.decode("ascii"))
    app.answer(box, IDOK)
    assert [r.path for r in site.requested("/Quorvane/scrbase/9999.json")] == ["/Quorvane/scrbase/9999.json"]
    assert files.region_list.read_bytes() == last_list
    close_normally(app)


# --- servers that misbehave, reached through the custom source --------------

REDIRECTED_LIST = b'{"CurrentRegionIdx":0,"Regions":[{"Name":"redirected","PingServer":"127.0.0.1"}]}'

# name, answers by path on the first server (a second one on 127.0.0.1 serves
# /list.json; "{other}" stands for its address), expected box, what
# regionInfo.json holds afterwards, the wait for the box
SERVER_CASES = [
    ("never_answers", {"/list.json": Answer.never()}, EMPTY_DOWNLOAD, OLD_REGION_LIST, STALL_WAIT),
    ("closes_mid_body", {"/list.json": Answer.cut(REGION_LIST * 64, len(REGION_LIST) * 32)}, EMPTY_DOWNLOAD,
     OLD_REGION_LIST, 60),
    ("redirects_to_another_host", {"/list.json": "redirect"},
     ("安装结果：", PLAIN_SUCCESS_HEAD + REDIRECTED_LIST.decode("ascii")), REDIRECTED_LIST, 60),
]


@pytest.mark.parametrize("name, answers, expected, left, wait", SERVER_CASES, ids=[c[0] for c in SERVER_CASES])
def test_custom_source_server(launcher, certificates, config, servers, files, name, answers, expected, left, wait):
    ca_der, cert, key = certificates
    # Named by its address alone: a certificate whose names include it.
    other_cert, other_key = signed_certificate(Path(ca_der).parent, config.work / "hostile-certs", "loopback-ip",
                                               ["127.0.0.1"])
    other = HostileServer(other_cert, other_key, {"/list.json": Answer.body(REDIRECTED_LIST)}, host="127.0.0.1")
    servers.append(other)
    answers = {path: Answer.redirect(other.url("/list.json")) if answer == "redirect" else answer
               for path, answer in answers.items()}
    first = HostileServer(cert, key, answers)
    servers.append(first)
    files.put(files.region_list, OLD_REGION_LIST)
    app = launcher.start_to_main()
    choose_custom_source(app, first.url("/list.json"))
    box = install_and_wait_result(app, timeout=wait)
    assert first.requested == ["/list.json"]
    assert other.requested == (["/list.json"] if name == "redirects_to_another_host" else [])
    assert (box.title, box.body) == expected
    app.answer(box, IDOK)
    assert files.region_list.read_bytes() == left
    close_normally(app)


# --- certificates that must be refused ---------------------------------------

CERTIFICATE_CASES = [
    # name, DNS names in the certificate, expired
    ("expired", ["localhost"], True),
    ("for_another_host", ["other.quorvane.test"], False),
]


@pytest.mark.parametrize("name, hosts, expired", CERTIFICATE_CASES, ids=[c[0] for c in CERTIFICATE_CASES])
def test_maker_site_certificate_refused_at_start_up(launcher, site, certificates, config, name, hosts, expired):
    ca_der, usual_cert, usual_key = certificates
    cert, key = signed_certificate(Path(ca_der).parent, config.work / "hostile-certs", name, hosts, expired)
    with serving_certificate(site, cert, key, usual_cert, usual_key):
        app = launcher.start()
        app.answer(expect_box(app, NETWORK_ERROR), IDOK)
        announcement = app.wait_box()
        assert (announcement.title, announcement.body) == ("公告", "")
        app.answer(announcement, IDCANCEL)
        app.wait_main(timeout=60)
        # Nothing came through: the sources are the custom entry alone.
        assert app.control(SOURCE_SELECTOR).items == [CUSTOM_ENTRY]
    assert site.requested("/Quorvane/versioninfo.json") == []
    close_normally(app)


# --- BetterCrewLink's config.json ------------------------------------------

def config_with(server_url, bom=b"", line_end=b"\n"):
    lines = [b"{", b'  "language": "zh",', b'  "serverURL": "' + server_url + b'",', b'  "pushToTalk": false',
             b"}"]
    return bom + line_end.join(lines) + line_end


OLD_SERVER = b"https://old.voice.localhost"

# name, config before, config after the patch
PATCHED_CONFIG_CASES = [
    ("bom", config_with(OLD_SERVER, bom=b"\xef\xbb\xbf"), config_with(VOICE_SERVER, bom=b"\xef\xbb\xbf")),
    ("crlf", config_with(OLD_SERVER, line_end=b"\r\n"), config_with(VOICE_SERVER, line_end=b"\r\n")),
]


def start_voice_chat_install(launcher):
    app = launcher.start_to_main()
    app.click(VOICE_CHAT_CHECK)
    click_install(app)
    return app


@pytest.mark.parametrize("name, before, after", PATCHED_CONFIG_CASES, ids=[c[0] for c in PATCHED_CONFIG_CASES])
def test_config_is_patched_and_every_other_byte_kept(launcher, session, files, name, before, after):
    files.put(files.config, before)
    app = start_voice_chat_install(launcher)
    box = app.wait_box(timeout=60)
    voice_box_text = f"{session.config.site_root}/Quorvane/bclserver.txt"
    assert box.title == "安装结果："
    assert box.body == VOICE_SUCCESS_HEAD + voice_box_text + CONTENT_HEADING + REGION_LIST.decode("utf-8")
    app.answer(box, IDOK)
    assert files.config.read_bytes() == after
    assert files.region_list.read_bytes() == REGION_LIST
    close_normally(app)


def expect_patch_failure_then_plain_install(app, files, before):
    """The failure box, the config byte for byte as it was, and the region
    list installed all the same."""
    app.answer(expect_box(app, PATCH_FAILURE), IDOK)
    box = app.wait_box(timeout=60)
    assert (box.title, box.body) == ("安装结果：", PLAIN_SUCCESS_HEAD + REGION_LIST.decode("utf-8"))
    app.answer(box, IDOK)
    assert files.config.read_bytes() == before
    assert files.region_list.read_bytes() == REGION_LIST


def test_read_only_config_is_left_unchanged(launcher, files):
    before = config_with(OLD_SERVER)
    files.put(files.config, before)
    files.config.chmod(0o444)  # how Wine keeps the read-only mark
    app = start_voice_chat_install(launcher)
    first = app.wait_box(timeout=60)
    if first.title == "安装结果：" and files.config.read_bytes() != before:
        app.answer(first, IDOK)
        close_normally(app)
        pytest.skip("Wine let MoveFileEx replace the read-only config.json (Windows refuses it: access denied); "
                    "the refusal is covered on the fake host")
    expect_patch_failure_then_plain_install(app, files, before)
    close_normally(app)


def test_config_held_open_by_another_process_is_left_unchanged(launcher, files, locker_exe):
    before = config_with(OLD_SERVER)
    files.put(files.config, before)
    FileLocker(launcher, locker_exe, files.config)
    app = start_voice_chat_install(launcher)
    expect_patch_failure_then_plain_install(app, files, before)
    close_normally(app)


# --- regionInfo.json that cannot be written --------------------------------

def test_region_list_held_open_by_another_process(launcher, files, locker_exe):
    files.put(files.region_list, OLD_REGION_LIST)
    files.put(files.settings, SETTINGS)
    FileLocker(launcher, locker_exe, files.region_list)
    app = launcher.start_to_main()
    box = install_and_wait_result(app)
    assert (box.title, box.body) == WRITE_FAILURE
    assert box.icon == "error"
    app.answer(box, IDOK)
    assert files.region_list.read_bytes() == OLD_REGION_LIST
    assert files.settings.read_bytes() == SETTINGS
    assert app.control(INSTALL).text == "安装" and app.control(INSTALL).enabled
    close_normally(app)
