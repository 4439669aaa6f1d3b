# The level generator never loses a level maker's work: their files and
# scenes survive regeneration, only its own stale files are pruned, a scene
# list the game cannot read stops it before it writes anything, and
# new-level adds a level without overwriting anything.
import os
import shutil
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

GENERATOR = Path(__file__).resolve().parents[2] / "tools" / "make_levels.py"
MINE = {"mine_scene.txt": "my scene\n", "mine_lane.txt": "my lane\n", "notes": "x\n"}


def run(folder: Path, *args: str, user: list[str] = []) -> "subprocess.CompletedProcess[str]":
    return subprocess.run([*user, sys.executable, str(GENERATOR), *args, "--out", str(folder)],
                          capture_output=True, text=True)


def scene_list(scenes: list[str], count: str = "") -> str:
    labels = ["level%d" % (k + 1) for k in range(len(scenes) - 1)] + ["closing"]
    entries = ["%s %s" % entry for entry in zip(labels, scenes)]
    return "\n".join(["scenes " + (count or str(len(scenes)))] + entries) + "\n"


class LevelGenerator(unittest.TestCase):
    root: Path

    @classmethod
    def setUpClass(cls) -> None:
        cls.root = Path(tempfile.mkdtemp())
        cls.addClassCleanup(shutil.rmtree, cls.root)
        fresh = run(cls.root / "fresh")
        if fresh.returncode != 0:
            raise AssertionError(fresh.stderr)

    def setUp(self) -> None:
        self.dir = Path(shutil.copytree(self.root / "fresh", self.root / self._testMethodName))
        words = (self.dir / "scenelist.txt").read_text().split()
        self.scenes = words[3::2]

    def expect_list(self, scenes: list[str]) -> None:
        self.assertEqual((self.dir / "scenelist.txt").read_text(), scene_list(scenes))

    def test_keeps_level_makers_files_and_scenes(self) -> None:
        for name, text in MINE.items():
            (self.dir / name).write_text(text)
        # Each keeps its place; one after the closing scene moves before it.
        mine = ["a.txt"] + self.scenes[:-1] + ["mine_scene.txt"]
        (self.dir / "scenelist.txt").write_text(scene_list(mine + self.scenes[-1:] + ["b.txt"]))
        self.assertEqual(run(self.dir).returncode, 0)
        self.expect_list(mine + ["b.txt"] + self.scenes[-1:])
        self.assertEqual({name: (self.dir / name).read_text() for name in MINE}, MINE)
        # Labels of the level maker's own are no difference to the game.
        relabelled = scene_list(mine + ["b.txt"] + self.scenes[-1:]).replace("level", "my")
        (self.dir / "scenelist.txt").write_text(relabelled)
        self.assertEqual(run(self.dir, "--check").returncode, 0)
        self.assertEqual(run(self.dir).returncode, 0)
        self.assertEqual((self.dir / "scenelist.txt").read_text(), relabelled)

    def test_a_list_the_game_cannot_read_stops_every_command(self) -> None:
        broken = scene_list(self.scenes, count="2x")
        (self.dir / "scenelist.txt").write_text(broken)
        before = sorted(os.listdir(self.dir))
        for args in ((), ("--check",), ("new-level", "mine")):
            done = run(self.dir, *args)
            self.assertEqual(done.returncode, 1, args)
            self.assertIn("scenelist.txt:1: error: the scene count is a whole number, not '2x'",
                          done.stderr)
        self.assertEqual(sorted(os.listdir(self.dir)), before)
        self.assertEqual((self.dir / "scenelist.txt").read_text(), broken)

    def test_never_overwrites_a_file_it_did_not_write(self) -> None:
        (self.dir / ".make_levels").write_text("")
        (self.dir / "pin.txt").write_text("my own pin\n")
        self.assertEqual(run(self.dir).returncode, 1)
        self.assertEqual((self.dir / "pin.txt").read_text(), "my own pin\n")

    def test_lists_stale_files_of_its_own_and_prunes_only_on_request(self) -> None:
        (self.dir / "notes").write_text("mine\n")
        (self.dir / "old_scene.txt").write_text("old\n")
        with open(self.dir / ".make_levels", "a") as manifest:
            manifest.write("old_scene.txt\n")
        (self.dir / "scenelist.txt").write_text(scene_list(["old_scene.txt", "b.txt"]))
        self.assertIn("stale: old_scene.txt (run with --prune to remove)", run(self.dir).stdout)
        self.assertEqual(run(self.dir, "--check").returncode, 1)
        self.assertTrue((self.dir / "old_scene.txt").exists())
        self.assertEqual(run(self.dir, "--prune").returncode, 0)
        added = {p.name for p in self.dir.iterdir()} - {p.name for p in self.root.glob("fresh/*")}
        self.assertEqual(added, {"notes"})
        self.expect_list(["b.txt"] + self.scenes)

    def test_new_level_adds_a_loadable_level_before_the_closing_scene(self) -> None:
        # The longest name whose files the game reads: NAME_collision.txt
        # has 255 characters.
        name = "m" * 241
        self.assertEqual(run(self.dir, "new-level", name, "--pins", "4").returncode, 0)
        self.expect_list(self.scenes[:-1] + [name + "_scene.txt"] + self.scenes[-1:])
        words = (self.dir / (name + "_scene.txt")).read_text().split()
        self.assertEqual(words[words.index("pins") + 1], "4")
        pins = [words[k + 3] for k, word in enumerate(words) if word == "pin"]
        self.assertEqual(pins, ["0.3000]"] * 4)
        for key in ("lane", "collision", "ball_model", "pin_model"):
            self.assertTrue((self.dir / words[words.index(key) + 1]).is_file(), key)
        self.assertEqual(run(self.dir).returncode, 0)
        self.assertIn("level7 %s_scene.txt" % name, (self.dir / "scenelist.txt").read_text())

    def test_new_level_refuses_a_bad_name_or_an_existing_file(self) -> None:
        (self.dir / "taken_lane.txt").write_text("mine\n")
        before = sorted(os.listdir(self.dir))
        for name in ("two words", "../up", "taken", "warmup", "m" * 242):
            done = run(self.dir, "new-level", name)
            self.assertEqual(done.returncode, 1, name)
            self.assertIn("nothing written", done.stderr)
        self.assertEqual((self.dir / "taken_lane.txt").read_text(), "mine\n")
        self.assertEqual(sorted(os.listdir(self.dir)), before)

    def test_new_level_in_a_folder_it_cannot_write_says_so(self) -> None:
        # Root writes anywhere, so the generator runs as nobody there.
        user = ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"] \
            if os.geteuid() == 0 else []
        os.chmod(self.root, 0o755)
        self.dir.chmod(0o555)
        self.addCleanup(self.dir.chmod, 0o755)
        before = sorted(os.listdir(self.dir))
        done = run(self.dir, "new-level", "mine", user=user)
        self.assertEqual(done.returncode, 1)
        self.assertEqual(done.stderr, "%s: cannot write here (permission denied)\n" % self.dir)
        self.assertEqual(sorted(os.listdir(self.dir)), before)


if __name__ == "__main__":
    unittest.main()
