"""Fixtures of the end-to-end suite.

One Xvfb, one maker site over HTTPS and one freshly made Wine prefix serve
the whole session; before each test the user's folders in the prefix are
reset and the site's routes set back to their defaults. Each test starts
quorvane.exe through the driver and ends it, or has it killed, afterwards."""

import shutil
import sys
from pathlib import Path
from urllib.parse import urlsplit

import pytest

sys.path.insert(0, str(Path(__file__).parent))

from qv_e2e.driver import Driver  # noqa: E402
from qv_e2e.site import Site, make_test_ca  # noqa: E402
from qv_e2e.ui import IDCANCEL, App  # noqa: E402
from qv_e2e.wine import TOOLS_FOLDER, Prefix  # noqa: E402
from qv_e2e.xvfb import Xvfb  # noqa: E402

REPOSITORY = Path(__file__).resolve().parents[2]
PROGRAM_VERSION = b"2.2025.6.15"
REGION_LIST = ('{"CurrentRegionIdx":0,"Regions":[{"$type":"StaticHttpRegionInfo, Assembly-CSharp",'
               '"Name":"测试服务器","PingServer":"play.localhost","Servers":[{"Name":"Http-1",'
               '"Ip":"http://play.localhost","Port":22023,"UseDtls":false,"Players":0,"ConnectionFailures":0}],'
               '"TargetServer":null,"TranslateName":1003}]}\r\n').encode("utf-8")
OTHER_REGION_LIST = b'{"CurrentRegionIdx":0,"Regions":[{"Name":"Second source","PingServer":"two.localhost"}]}'
CUSTOM_REGION_LIST = b'{"CurrentRegionIdx":0,"Regions":[{"Name":"Custom default","PingServer":"c.localhost"}]}'
VOICE_SERVER = b"https://voice.quorvane.localhost"


def pytest_addoption(parser):
    group = parser.getgroup("quorvane")
    group.addoption("--build-dir", required=True, help="the Windows build folder")
    group.addoption("--quorvane", required=True, help="quorvane.exe")
    group.addoption("--driver", required=True, help="qv_driver.exe")
    group.addoption("--recorder", required=True, help="qv_url_recorder.exe")
    group.addoption("--stand-in-game", required=True, help="qv_stand_in_game.exe")
    group.addoption("--site", required=True, help="the maker site root compiled into quorvane.exe")


class Config:
    def __init__(self, options):
        self.build_dir = Path(options.getoption("--build-dir")).resolve()
        self.quorvane = options.getoption("--quorvane")
        self.driver = options.getoption("--driver")
        self.recorder = options.getoption("--recorder")
        self.stand_in_game = options.getoption("--stand-in-game")
        self.site_root = options.getoption("--site")
        parts = urlsplit(self.site_root)
        if parts.scheme != "https" or parts.hostname not in ("localhost", "127.0.0.1"):
            raise pytest.UsageError("the suite serves the maker site on https://localhost:PORT only")
        self.site_port = parts.port or 443
        self.work = self.build_dir / "e2e"
        self.artefacts = self.work / "screenshots"


@pytest.fixture(scope="session")
def config(pytestconfig):
    return Config(pytestconfig)


@pytest.fixture(scope="session")
def xvfb():
    server = Xvfb()
    yield server
    server.stop()


@pytest.fixture(scope="session")
def certificates(config):
    return make_test_ca(config.work / "ca")


@pytest.fixture(scope="session")
def site(config, certificates):
    _, cert, key = certificates
    server = Site(config.site_port, cert, key)
    yield server
    server.stop()


def default_routes(site_root):
    return {
        "/": "<html><body>Quorvane maker site</body></html>",
        "/quorvane": "<html><body>Download Quorvane</body></html>",
        "/Quorvane/versioninfo.json": PROGRAM_VERSION,
        "/Quorvane/announcer.txt": "欢迎使用Quorvane测试站点".encode("gbk"),
        "/Quorvane/bcl.ini": f"{site_root}/Quorvane/bclserver.txt".encode("ascii"),
        "/Quorvane/bclserver.txt": VOICE_SERVER,
        "/Quorvane/srclist.json": "测试源一§测试源二".encode("gbk"),
        "/Quorvane/scrbase/0.json": REGION_LIST,
        "/Quorvane/scrbase/1.json": OTHER_REGION_LIST,
        "/Quorvane/serverlist.json": CUSTOM_REGION_LIST,
    }


class Session:
    """What the tests share: the prepared prefix, the driver in it, the
    tools' Windows paths and the recorder's log."""

    def __init__(self, config, xvfb, certificates):
        self.config = config
        self.xvfb = xvfb
        self.prefix = Prefix(config.build_dir / "wine" / "e2e-prefix", xvfb.display,
                             str(REPOSITORY / "scripts" / "wine-run"))
        self.tools = self.prefix.install_tools({
            "quorvane": config.quorvane, "driver": config.driver, "recorder": config.recorder,
            "game": config.stand_in_game})
        self.opened_log = self.prefix.unix_path(str(TOOLS_FOLDER / "opened.txt"))
        self.prefix.register_url_recorder(self.tools["recorder"], str(TOOLS_FOLDER / "opened.txt"))
        self.work_folder = self.prefix.unix_path(str(TOOLS_FOLDER / "work"))
        self.games_folder = self.prefix.unix_path(str(TOOLS_FOLDER / "games"))
        self.driver = Driver(self.prefix.env, self.tools["driver"])
        self.driver.import_ca(self.prefix.windows_path(self._copy_in(certificates[0])))

    def _copy_in(self, source):
        target = self.prefix.unix_path(str(TOOLS_FOLDER)) / Path(source).name
        shutil.copy2(source, target)
        return target

    def opened_addresses(self):
        if not self.opened_log.exists():
            return []
        return self.opened_log.read_text(encoding="utf-8").splitlines()

    def reset_user_folders(self):
        for folder in (self.prefix.roaming, self.prefix.local_low, self.prefix.temp, self.work_folder,
                       self.games_folder):
            shutil.rmtree(folder, ignore_errors=True)
            folder.mkdir(parents=True)
        self.opened_log.unlink(missing_ok=True)

    def close(self):
        self.driver.quit()
        self.prefix.stop()


@pytest.fixture(scope="session")
def session(config, xvfb, site, certificates):
    config.artefacts.mkdir(parents=True, exist_ok=True)
    shared = Session(config, xvfb, certificates)
    yield shared
    shared.close()


class Launcher:
    def __init__(self, session, site):
        self.session = session
        self.site = site
        self.started = []

    def start(self):
        """Starts quorvane.exe in its working folder; the caller meets the
        start-up boxes itself."""
        tools = self.session.tools
        pid = self.session.driver.start(f'"{tools["quorvane"]}"', self.session.prefix.windows_path(
            self.session.work_folder))
        app = App(self.session.driver, pid, self.session.xvfb, self.session.config.artefacts)
        self.started.append(pid)
        return app

    def start_to_main(self, announcement_answer=IDCANCEL):
        """Starts the program, answers the announcement and waits for the
        main window; returns the App with the shown window."""
        app = self.start()
        box = app.wait_box(timeout=60)
        assert box.title == "公告", f"expected the announcement first, got {box.title!r}: {box.body!r}"
        app.answer(box, announcement_answer)
        app.wait_main(timeout=60)
        app.settle()
        return app

    def start_game(self, folder_name="game"):
        """Starts a stand-in game from its own folder, as "Among Us.exe"."""
        folder = self.session.games_folder / folder_name
        folder.mkdir(parents=True, exist_ok=True)
        shutil.copy2(self.session.config.stand_in_game, folder / "Among Us.exe")
        windows_exe = self.session.prefix.windows_path(folder / "Among Us.exe")
        pid = self.session.driver.start(f'"{windows_exe}"', self.session.prefix.windows_path(folder))
        self.started.append(pid)
        return pid

    def stop_all(self):
        for pid in self.started:
            self.session.driver.kill(pid)


@pytest.fixture
def launcher(session, site, config):
    session.reset_user_folders()
    site.reset(default_routes(config.site_root))
    started = Launcher(session, site)
    yield started
    started.stop_all()
