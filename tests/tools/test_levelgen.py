# The level generator never loses a level maker's work: their files and
# scenes survive regeneration, only its own stale files are pruned, and
# what it cannot read or did not write stops it before it writes anything;
# new-level adds a level the game loads, without overwriting anything.
import os
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

TOOLS = Path(__file__).resolve().parents[2] / "tools"
CHECKER = os.environ.get("SKORVEL_CHECK") or str(TOOLS.parent / "build" / "skorvel-check")


def scene_list(scenes: list[str]) -> str:
    return "scenes %d\n" % len(scenes) + "".join("level %s\n" % scene for scene in scenes)


class LevelGenerator(unittest.TestCase):
    def setUp(self) -> None:
        self.dir = Path(self.enterContext(tempfile.TemporaryDirectory())) / "levels"
        self.make()
        self.scenes, self.fresh = self.listed(), set(self.files())

    def listed(self) -> list[str]:
        return (self.dir / "scenelist.txt").read_text().split()[3::2]

    def files(self) -> dict[str, bytes]:
        return {path.name: path.read_bytes() for path in self.dir.iterdir()}

    def make(self, *args: str, status: int = 0,
             user: list[str] = []) -> "subprocess.CompletedProcess[str]":
        done = subprocess.run([*user, sys.executable, str(TOOLS / "make_levels.py"), *args,
                               "--out", str(self.dir)], capture_output=True, text=True)
        self.assertEqual(done.returncode, status, (args, done.stderr))
        return done

    def test_keeps_level_makers_files_and_scenes_and_prunes_only_its_own(self) -> None:
        mine = {"mine_scene.txt": b"my scene\n", "notes": b"x\n"}
        for path, data in {**mine, "old_scene.txt": b"old\n", "../outside": b"mine\n"}.items():
            (self.dir / path).write_bytes(data)
        with open(self.dir / ".make_levels", "a") as manifest:
            manifest.write("old_scene.txt\n../outside\n")
        # Each keeps its place, one after the closing scene moves before it,
        # and the generator's own stale scene leaves the list.
        theirs = ["a.txt"] + self.scenes[:-1] + ["mine_scene.txt"]
        (self.dir / "scenelist.txt").write_text(
            scene_list(["old_scene.txt"] + theirs + self.scenes[-1:] + ["b.txt"]))
        done = self.make()
        self.assertIn("stale: old_scene.txt (run with --prune to remove)", done.stdout)
        self.assertIn("names a.txt, which is not in", done.stderr)
        self.assertEqual(self.listed(), theirs + ["b.txt"] + self.scenes[-1:])
        self.make("--check", status=1)
        self.make("--prune")
        self.assertEqual({n: d for n, d in self.files().items() if n not in self.fresh}, mine)
        self.assertTrue((self.dir / "../outside").exists())
        # Labels of the level maker's own are no difference to the game.
        relabelled = scene_list(self.listed())
        (self.dir / "scenelist.txt").write_text(relabelled)
        self.make()
        self.assertEqual((self.dir / "scenelist.txt").read_text(), relabelled)

    def test_stops_at_a_list_the_game_cannot_read_or_a_file_it_did_not_write(self) -> None:
        (self.dir / ".make_levels").write_text("")
        (self.dir / "pin.txt").write_text("my own pin\n")
        (self.dir / "scenelist.txt").write_text("scenes 2x\n")
        before = self.files()
        for args in ((), ("--check",), ("new-level", "mine")):
            done = self.make(*args, status=1)
            self.assertIn("scenelist.txt:1: error: the scene count is a whole number, not '2x'",
                          done.stderr)
        self.assertIn("pin.txt: error: not written by the generator", self.make(status=1).stderr)
        self.assertEqual(self.files(), before)
        (self.dir / "scenelist.txt").unlink()
        self.assertIn("no scene list here", self.make("new-level", "mine", status=1).stderr)

    def test_new_level_adds_a_level_the_game_loads_and_overwrites_nothing(self) -> None:
        # The longest name whose files the game reads: NAME_collision.txt
        # has 255 characters.
        name = "m" * 241
        self.make("new-level", name, "--pins", "4")
        self.assertEqual((self.dir / (name + "_scene.txt")).read_text().count("\npin "), 4)
        self.assertEqual(self.listed(), self.scenes[:-1] + [name + "_scene.txt"] + self.scenes[-1:])
        # Its files are the level maker's: regenerating keeps them.
        self.make("--prune")
        checked = subprocess.run([CHECKER, name + "_scene.txt"], cwd=self.dir,
                                 capture_output=True, text=True)
        self.assertEqual(checked.stdout, "1 scene, 0 errors, 0 warnings\n")
        (self.dir / "warmup_lane.txt").unlink()
        before = self.files()
        for word, problem in ((name, "_lane.txt: error: already exists"),
                              ("../up", "not a plain word"),
                              ("warmup", "lane.txt: error: the generator writes this file"),
                              (name + "m", name + "m_collision.txt: ")):
            done = self.make("new-level", word, status=1)
            self.assertIn(problem, done.stderr)
        self.assertEqual(self.files(), before)

    def test_new_level_in_a_folder_it_cannot_write_says_so(self) -> None:
        # Root writes anywhere, so the generator runs as nobody there.
        user = ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"] \
            if os.geteuid() == 0 else []
        self.dir.parent.chmod(0o755)
        self.dir.chmod(0o555)
        self.addCleanup(self.dir.chmod, 0o755)
        done = self.make("new-level", "mine", status=1, user=user)
        self.assertEqual(done.stderr, "%s: cannot write here (permission denied)\n" % self.dir)
