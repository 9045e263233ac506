"""Install, the voice-chat patch and Uninstall, seen from the game's files
and the boxes the user reads."""

import os
import stat

import pytest

from conftest import OTHER_REGION_LIST, REGION_LIST, VOICE_SERVER
from qv_e2e.controls import (CUSTOM_SOURCE, INSTALL, SOURCE_SELECTOR, UNINSTALL, VOICE_CHAT_CHECK, VOICE_GROUP)
from qv_e2e.ui import IDOK

CONTENT_HEADING = "\r\n\r\n安装内容（中文可能会变成乱码，正常现象）:\r\n\r\n"
EMPTY_DOWNLOAD = ("错误！", "未能获取安装源内的私服列表，请重试，若多次无法获取请检查安装源的可用性。", "error")
MISSING_CONFIG = ("错误!", "您尚未安装BetterCrewLink,请安装BetterCrewLink并运行一次后再尝试安装BetterCrewLink私服！",
                  "error")
PATCH_FAILED = ("错误!", "未能更改BetterCrewLink服务器地址，配置文件未被修改。请检查网络和BetterCrewLink设置后重试。",
                "error")
BCL_CONFIG = ('{\n\t"alwaysOnTop": false,\n\t"serverURL": "https://bettercrewl.ink",\n\t"pushToTalkShortcut": "V",\n'
              '\t"natFix": false\n}').encode("utf-8")


def game_folder(session):
    return session.prefix.local_low / "Innersloth" / "Among Us"


def region_file(session):
    return game_folder(session) / "regionInfo.json"


def bcl_config(session):
    return session.prefix.roaming / "bettercrewlink" / "config.json"


def install_and_read_boxes(app, count):
    """Clicks Install and answers the boxes it shows, one after the other."""
    app.click(INSTALL)
    results = []
    for _ in range(count):
        box = app.wait_box(timeout=60)
        results.append((box.title, box.body, box.icon))
        app.answer(box, IDOK)
    app.settle()
    install = app.control(INSTALL)
    assert (install.text, install.enabled) == ("安装", True), "the Install button did not come back"
    return results


def install_and_read_box(app):
    return install_and_read_boxes(app, 1)[0]


def plain_success(region_bytes):
    return ("安装结果：", "安装成功!" + CONTENT_HEADING + region_bytes.decode("utf-8"), "exclamation")


@pytest.fixture
def app(launcher):
    return launcher.start_to_main()


def test_install_into_a_profile_where_the_game_never_ran(app, session):
    assert not game_folder(session).exists()
    assert install_and_read_box(app) == plain_success(REGION_LIST)
    assert region_file(session).read_bytes() == REGION_LIST


def test_install_replaces_a_read_only_region_list_and_keeps_the_settings(app, session):
    game_folder(session).mkdir(parents=True)
    region_file(session).write_bytes(b"old list")
    os.chmod(region_file(session), stat.S_IRUSR | stat.S_IRGRP | stat.S_IROTH)
    settings = game_folder(session) / "settings.amogus"
    settings.write_bytes(b"\x01\x02settings")
    for _ in range(2):
        assert install_and_read_box(app) == plain_success(REGION_LIST)
        assert region_file(session).read_bytes() == REGION_LIST
        assert settings.read_bytes() == b"\x01\x02settings"


def test_install_of_the_second_source_fetches_its_numbered_list(app, session, site):
    app.driver.select(app.control(SOURCE_SELECTOR).hwnd, 1)
    app.settle()
    assert install_and_read_box(app) == plain_success(OTHER_REGION_LIST)
    assert region_file(session).read_bytes() == OTHER_REGION_LIST
    assert site.requested("/Quorvane/scrbase/1.json")


def test_missing_source_shows_the_empty_download_box(app, session, site):
    site.remove("/Quorvane/scrbase/0.json")  # the site answers 404 with an error page
    assert install_and_read_box(app) == EMPTY_DOWNLOAD
    assert not region_file(session).exists()


def test_custom_source_is_fetched_from_the_typed_address(app, session, site):
    custom_list = b'{"Regions":[{"Name":"typed"}]}'
    site.set("/custom/typed.json", custom_list)
    items = app.control(SOURCE_SELECTOR).items
    app.driver.select(app.control(SOURCE_SELECTOR).hwnd, len(items) - 1)
    app.settle()
    app.driver.type(app.control(CUSTOM_SOURCE).hwnd, f"{session.config.site_root}/custom/typed.json", replace=True)
    app.settle()
    assert install_and_read_box(app) == plain_success(custom_list)
    assert region_file(session).read_bytes() == custom_list


def tick_voice_chat(app):
    app.click(VOICE_CHAT_CHECK)
    assert app.control(VOICE_CHAT_CHECK).checked == 1


def test_voice_chat_install_patches_the_server_url(app, session):
    bcl_config(session).parent.mkdir(parents=True)
    bcl_config(session).write_bytes(BCL_CONFIG)
    tick_voice_chat(app)
    voice_box_text = f"{session.config.site_root}/Quorvane/bclserver.txt"
    assert install_and_read_box(app) == (
        "安装结果：",
        "安装成功!\r\n\r\nBetterCrewLink服务器地址已更改为：" + voice_box_text + CONTENT_HEADING
        + REGION_LIST.decode("utf-8"),
        "exclamation")
    assert bcl_config(session).read_bytes() == BCL_CONFIG.replace(b"https://bettercrewl.ink", VOICE_SERVER)
    assert region_file(session).read_bytes() == REGION_LIST


def test_voice_chat_install_without_config_collapses_the_window(app, session):
    tick_voice_chat(app)
    assert install_and_read_box(app) == MISSING_CONFIG
    main = app.snapshot().main
    assert main.find(VOICE_CHAT_CHECK).checked == 0
    assert main.screen["height"] == 160
    assert (main.find(INSTALL).place[1], main.find(UNINSTALL).place[1]) == (96, 96)
    assert not main.find(VOICE_GROUP).visible
    assert not region_file(session).exists()


def test_voice_chat_install_with_a_failing_voice_server_leaves_the_config(app, session, site):
    bcl_config(session).parent.mkdir(parents=True)
    bcl_config(session).write_bytes(BCL_CONFIG)
    site.set("/Quorvane/bclserver.txt", b"", status=500)
    tick_voice_chat(app)
    # The failed patch is told, then the region list is installed as usual.
    assert install_and_read_boxes(app, 2) == [PATCH_FAILED, plain_success(REGION_LIST)]
    assert bcl_config(session).read_bytes() == BCL_CONFIG
    assert region_file(session).read_bytes() == REGION_LIST


def uninstall_and_read_box(app):
    app.click(UNINSTALL)
    box = app.wait_box(timeout=60)
    result = (box.title, box.body, box.icon)
    app.answer(box, IDOK)
    app.settle()
    return result


def test_uninstall_removes_only_the_region_list(app, session):
    settings = game_folder(session) / "settings.amogus"
    assert install_and_read_box(app) == plain_success(REGION_LIST)
    settings.write_bytes(b"settings")
    assert uninstall_and_read_box(app) == ("卸载结果：", "卸载成功。", "exclamation")
    assert not region_file(session).exists()
    assert uninstall_and_read_box(app) == ("卸载结果：", "卸载失败，请重试并检查权限或未曾安装。", "error")
    assert settings.read_bytes() == b"settings"
    assert game_folder(session).is_dir()
