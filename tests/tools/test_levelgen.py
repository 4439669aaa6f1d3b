# The level generator never loses a level maker's work: their files and scene
# list entries survive regeneration, only its own stale files are pruned, and
# new-level adds a level without overwriting anything.
import shutil
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

GENERATOR = Path(__file__).resolve().parents[2] / "tools" / "make_levels.py"
MINE = {"mine_scene.txt": "my scene\n", "mine_lane.txt": "my lane\n", "notes": "x\n"}


def run(folder, *args):
    return subprocess.run([sys.executable, GENERATOR, *args, "--out", folder],
                          capture_output=True, text=True)


class LevelGenerator(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.root = Path(tempfile.mkdtemp())
        cls.addClassCleanup(shutil.rmtree, cls.root)
        assert run(cls.root / "fresh").returncode == 0

    def setUp(self):
        self.dir = Path(shutil.copytree(self.root / "fresh", self.root / self._testMethodName))
        self.entries = (self.dir / "scenelist.txt").read_text().split("\n")[1:-1]

    def expect_list(self, entries):
        self.assertEqual((self.dir / "scenelist.txt").read_text(),
                         "\n".join(["scenes %d" % len(entries)] + entries) + "\n")

    def test_keeps_level_makers_files_and_entries(self):
        for name, text in MINE.items():
            (self.dir / name).write_text(text)
        # Each keeps its place; one after the closing scene moves before it.
        mine = ["first a.txt"] + self.entries[:-1] + ["mine mine_scene.txt"]
        listed = mine + self.entries[-1:] + ["late b.txt"]
        (self.dir / "scenelist.txt").write_text("scenes 7\n" + "\n".join(listed) + "\n")
        self.assertEqual(run(self.dir).returncode, 0)
        self.expect_list(mine + ["late b.txt"] + self.entries[-1:])
        self.assertEqual(run(self.dir, "--check").returncode, 0)
        self.assertEqual({name: (self.dir / name).read_text() for name in MINE}, MINE)

    def test_never_overwrites_a_file_it_did_not_write(self):
        (self.dir / ".make_levels").write_text("")
        (self.dir / "pin.txt").write_text("my own pin\n")
        self.assertEqual(run(self.dir).returncode, 1)
        self.assertEqual((self.dir / "pin.txt").read_text(), "my own pin\n")

    def test_lists_stale_files_of_its_own_and_prunes_only_on_request(self):
        (self.dir / "notes").write_text("mine\n")
        (self.dir / "old_scene.txt").write_text("old\n")
        with open(self.dir / ".make_levels", "a") as manifest:
            manifest.write("old_scene.txt\n")
        (self.dir / "scenelist.txt").write_text("scenes 1\nold old_scene.txt\n")
        self.assertIn("stale: old_scene.txt (run with --prune to remove)", run(self.dir).stdout)
        self.assertEqual(run(self.dir, "--check").returncode, 1)
        self.assertTrue((self.dir / "old_scene.txt").exists())
        self.assertEqual(run(self.dir, "--prune").returncode, 0)
        added = {p.name for p in self.dir.iterdir()} - {p.name for p in self.root.glob("fresh/*")}
        self.assertEqual(added, {"notes"})
        self.expect_list(self.entries)

    def test_new_level_adds_a_loadable_level_before_the_closing_scene(self):
        self.assertEqual(run(self.dir, "new-level", "mine", "--pins", "4").returncode, 0)
        self.expect_list(self.entries[:-1] + ["level7 mine_scene.txt", self.entries[-1]])
        words = (self.dir / "mine_scene.txt").read_text().split()
        self.assertEqual(words[words.index("pins") + 1], "4")
        pins = [words[k + 3] for k, word in enumerate(words) if word == "pin"]
        self.assertEqual(pins, ["0.3000]"] * 4)
        for key in ("lane", "collision", "ball_model", "pin_model"):
            self.assertTrue((self.dir / words[words.index(key) + 1]).is_file(), key)
        self.assertEqual(run(self.dir).returncode, 0)
        self.assertIn("level7 mine_scene.txt", (self.dir / "scenelist.txt").read_text())

    def test_new_level_refuses_a_bad_name_or_an_existing_file(self):
        (self.dir / "taken_lane.txt").write_text("mine\n")
        for name in ("two words", "../up", "taken", "warmup"):
            self.assertEqual(run(self.dir, "new-level", name).returncode, 1, name)
        self.assertEqual((self.dir / "taken_lane.txt").read_text(), "mine\n")
        self.expect_list(self.entries)


if __name__ == "__main__":
    unittest.main()
