"""What a user meets before the main window: the update check, the
announcement, and the source list and voice-server address it loads."""

import pytest

from qv_e2e.controls import CUSTOM_ENTRY, CUSTOM_SOURCE, SOURCE_HINT, SOURCE_SELECTOR, VOICE_SERVER
from qv_e2e.ui import IDCANCEL, IDNO, IDOK, IDYES, eventually

VERSION = "/Quorvane/versioninfo.json"
NEW_VERSION_HEAD = "发现新版本！\r\n当前版本：2.2025.6.15\r\n最新版本："
NEW_VERSION_TAIL = "\r\n是否前往下载新版本安装器？"
NETWORK_ERROR = ("网络错误！", "未能从服务器获得版本信息，请检查网络是否畅通。", "error")

# name, version body, expected first box: None (the announcement comes
# first), the network error, or the new-version box with the shown version
VERSION_CASES = [
    ("matching", b"2.2025.6.15", None),
    ("newer", b"2.2025.7.1", "2.2025.7.1"),
    ("older", b"2.2025.6.14", "2.2025.6.14"),
    ("line_break_after", b"2.2025.6.15\r\n", "2.2025.6.15\r\n"),
    ("nul_then_more", b"2.2025.6.15\x00junk", "2.2025.6.15"),
    ("empty", b"", NETWORK_ERROR),
    ("leading_nul", b"\x002.2025.6.15", NETWORK_ERROR),
]


@pytest.mark.parametrize("name, body, expected", VERSION_CASES, ids=[case[0] for case in VERSION_CASES])
def test_update_check_first_box(launcher, name, body, expected):
    launcher.site.set(VERSION, body)
    app = launcher.start()
    box = app.wait_box(timeout=60)
    if expected is None:
        assert box.title == "公告"
    elif expected == NETWORK_ERROR:
        assert (box.title, box.body, box.icon) == NETWORK_ERROR
        assert box.button_ids == [IDOK]
    else:
        assert box.title == "发现新版本："
        assert box.body == NEW_VERSION_HEAD + expected + NEW_VERSION_TAIL
        assert box.icon == "question"
        assert box.button_ids == [IDYES, IDNO]
    # The main window stays hidden while a start-up box is open.
    main = app.snapshot().main
    assert main is None or not main.visible


def test_failed_version_download_shows_the_network_error_then_goes_on(launcher):
    launcher.site.set(VERSION, b"", status=500)
    app = launcher.start()
    box = app.wait_box(timeout=60)
    assert (box.title, box.body, box.icon) == NETWORK_ERROR
    app.answer(box, IDOK)
    assert app.wait_box(timeout=60).title == "公告"


def test_accepting_the_update_opens_the_download_page_and_ends(launcher, session):
    launcher.site.set(VERSION, b"2.2025.7.1")
    app = launcher.start()
    box = app.wait_box(timeout=60)
    assert box.title == "发现新版本："
    app.driver.press_button(box.button(IDYES).hwnd)
    seen_main = []
    app.wait_for(lambda s: seen_main.append(s.main is not None and s.main.visible) or not s.running,
                 "the program to end", timeout=60, exit_ends_wait=True)
    assert app.wait_exit() == 0
    assert not any(seen_main), "the main window was shown"
    # The shell starts the recorder; it may write after the program ended.
    assert eventually(session.opened_addresses, "the download page to open") == [
        f"{session.config.site_root}/quorvane"]


def test_declining_the_update_goes_on_to_the_announcement_and_the_window(launcher, session):
    launcher.site.set(VERSION, b"2.2025.7.1")
    app = launcher.start()
    app.answer(app.wait_box(timeout=60), IDNO)
    box = app.wait_box(timeout=60)
    assert box.title == "公告"
    app.answer(box, IDCANCEL)
    assert app.wait_main(timeout=60).visible
    assert session.opened_addresses() == []


def test_announcement_box(launcher):
    launcher.site.set("/Quorvane/announcer.txt", "今晚八点维护\r\n请提前退出游戏".encode("gbk"))
    app = launcher.start()
    box = app.wait_box(timeout=60)
    assert (box.title, box.body, box.icon) == ("公告", "今晚八点维护\r\n请提前退出游戏", "information")
    assert box.button_ids == [IDOK, IDCANCEL]


# answer, whether the game is ended
ANNOUNCEMENT_ANSWERS = [("ok", IDOK, True), ("cancel", IDCANCEL, False)]


@pytest.mark.parametrize("name, answer, ends_game", ANNOUNCEMENT_ANSWERS, ids=[a[0] for a in ANNOUNCEMENT_ANSWERS])
def test_announcement_answer_and_the_running_game(launcher, session, name, answer, ends_game):
    game = launcher.start_game()
    app = launcher.start()
    box = app.wait_box(timeout=60)
    assert box.title == "公告"
    app.answer(box, answer)
    app.wait_main(timeout=60)
    if ends_game:
        assert session.driver.wait_exit(game, 30000) is not None, "the game still runs"
    else:
        app.settle()
        assert session.driver.wait_exit(game, 0) is None, "the game was ended"


# name, list body (GBK), expected items before the custom entry
SOURCE_LISTS = [
    ("several_names", "官方服务器§亚洲 服务器§北美服务器", ["官方服务器", "亚洲 服务器", "北美服务器"]),
    ("final_delimiter", "甲§乙§", ["甲", "乙"]),
    ("leading_delimiter", "§甲", ["", "甲"]),
    ("empty_piece", "甲§§乙", ["甲", "", "乙"]),
    ("line_break_kept", "甲§乙\r\n", ["甲", "乙\r\n"]),
    ("empty_list", "", []),
]


@pytest.mark.parametrize("name, body, names", SOURCE_LISTS, ids=[case[0] for case in SOURCE_LISTS])
def test_source_selector_items(launcher, name, body, names):
    launcher.site.set("/Quorvane/srclist.json", body.encode("gbk"))
    app = launcher.start_to_main()
    main = app.snapshot().main
    selector = main.find(SOURCE_SELECTOR)
    assert selector.items == names + [CUSTOM_ENTRY]
    assert selector.selected == 0
    custom_first = not names
    assert main.find(CUSTOM_SOURCE).visible == custom_first
    assert main.find(SOURCE_HINT).visible == (not custom_first)


# name, bcl.ini body, the voice-server box's text
VOICE_ADDRESSES = [
    ("address", b"https://voice.localhost:9736", "https://voice.localhost:9736"),
    ("failed_download_empties_the_box", None, ""),
]


@pytest.mark.parametrize("name, body, text", VOICE_ADDRESSES, ids=[case[0] for case in VOICE_ADDRESSES])
def test_voice_server_box_text(launcher, name, body, text):
    if body is None:
        launcher.site.remove("/Quorvane/bcl.ini")
        launcher.site.set("/Quorvane/bcl.ini", b"", status=500)
    else:
        launcher.site.set("/Quorvane/bcl.ini", body)
    app = launcher.start_to_main()
    assert app.control(VOICE_SERVER).text == text
