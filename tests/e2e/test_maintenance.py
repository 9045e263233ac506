"""Force-close and Roll back: the game's processes and data as the user
finds them afterwards. Neither shows a box."""

import pytest

from qv_e2e.controls import FORCE_CLOSE, ROLL_BACK


@pytest.fixture
def app(launcher):
    return launcher.start_to_main()


def game_order(session, games):
    """The stand-in games in the order the system's process snapshot lists them."""
    return [entry["pid"] for entry in session.driver.processes() if entry["pid"] in games]


def test_force_close_ends_one_game_per_click(app, launcher, session):
    games = [launcher.start_game("first"), launcher.start_game("second")]
    order = game_order(session, games)
    assert sorted(order) == sorted(games)
    for ended_so_far, game in enumerate(order, start=1):
        app.click(FORCE_CLOSE)
        assert session.driver.wait_exit(game, 30000) == 0
        still_running = [g for g in order[ended_so_far:] if session.driver.wait_exit(g, 0) is None]
        assert still_running == order[ended_so_far:]
        assert not app.snapshot().boxes


def test_force_close_without_a_game_changes_nothing(app, session):
    def visible_state():
        main = app.snapshot().main
        return [(c.id, c.text, c.visible, c.enabled, c.place) for c in main.walk()], main.screen
    before = visible_state()
    app.click(FORCE_CLOSE)
    assert not app.snapshot().boxes
    assert visible_state() == before
    assert app.snapshot().running


def test_roll_back_removes_the_unity_cache_and_the_settings(app, session):
    local_low = session.prefix.local_low
    unity = local_low / "Unity"
    (unity / "Innersloth" / "Among Us" / "deep").mkdir(parents=True)
    (unity / "cache.bin").write_bytes(b"c" * 4096)
    (unity / "Innersloth" / "Among Us" / "deep" / "nested.dat").write_bytes(b"n")
    game = local_low / "Innersloth" / "Among Us"
    game.mkdir(parents=True)
    (game / "settings.amogus").write_bytes(b"settings")
    (game / "regionInfo.json").write_bytes(b"regions")
    (game / "playerPrefs").write_bytes(b"prefs")
    (local_low / "Other Company").mkdir()
    (local_low / "Other Company" / "keep.txt").write_bytes(b"keep")
    own_script = session.work_folder / "Speed.bat"
    own_script.write_bytes(b"@echo the user's own script\r\n")

    app.click(ROLL_BACK)

    assert not unity.exists()
    assert not (game / "settings.amogus").exists()
    assert (game / "regionInfo.json").read_bytes() == b"regions"
    assert (game / "playerPrefs").read_bytes() == b"prefs"
    assert (local_low / "Other Company" / "keep.txt").read_bytes() == b"keep"
    assert not (session.prefix.temp / "Speed.bat").exists()
    assert own_script.read_bytes() == b"@echo the user's own script\r\n"
    assert not app.snapshot().boxes


def test_roll_back_without_a_cache_still_deletes_the_settings(app, session):
    game = session.prefix.local_low / "Innersloth" / "Among Us"
    game.mkdir(parents=True)
    (game / "settings.amogus").write_bytes(b"settings")
    app.click(ROLL_BACK)
    assert not (game / "settings.amogus").exists()
    assert not (session.prefix.temp / "Speed.bat").exists()
