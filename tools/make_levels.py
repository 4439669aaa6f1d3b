#!/usr/bin/env python3
"""Writes Skorvel's bundled levels into a levels folder, checks a folder
against them, and starts new levels. It never changes or removes a file it
did not write.

    python3 tools/make_levels.py [--out DIR] [--only NAME] [--check] [--prune]
    python3 tools/make_levels.py new-level NAME [--pins N] [--out DIR]

DIR is levels/ beside tools/ unless --out names another folder. The levels
themselves are built in tools/levelgen/bundled.py. It runs the build's
skorvel-obj and skorvel-check (build/), or those that SKORVEL_OBJ and
SKORVEL_CHECK name.
"""

import argparse
import os
import sys

from levelgen import bundled, output, programs, starter

DEFAULT_OUT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..",
                                            "levels"))
USAGE = __doc__.split("\n\n")[1]


def generate(argv: list[str]) -> int:
    parser = argparse.ArgumentParser(prog="make_levels.py", usage=USAGE,
                                     description=__doc__.split("\n\n")[0])
    parser.add_argument("--out", default=DEFAULT_OUT, metavar="DIR",
                        help="the levels folder (default: %(default)s)")
    parser.add_argument("--only", metavar="NAME",
                        help="write only this level's files, the models it draws and the "
                             "scene list")
    parser.add_argument("--check", action="store_true",
                        help="compare DIR with a fresh build instead of writing it")
    parser.add_argument("--prune", action="store_true",
                        help="remove the files the generator wrote before but makes no more")
    args = parser.parse_args(argv)
    if args.check and args.prune:
        parser.error("--check writes nothing, so it cannot --prune")
    scenes = bundled.scenes()
    tools = programs.source_tree()
    files = bundled.all_files(scenes, tools)
    chosen = scenes
    if args.only is not None:
        chosen = [scene for scene in scenes if scene.name == args.only]
        if not chosen:
            parser.error("no bundled level is called '%s'; the levels are %s" %
                         (args.only, ", ".join(scene.name for scene in scenes)))
    selected: set[str] = set()
    for scene in chosen:
        selected |= set(scene.file_names()) | set(scene.models())
    plan = output.plan_folder(args.out, files, [scene.scene_file() for scene in scenes],
                              selected, args.prune, tools)
    if not args.check:
        return output.write_folder(args.out, plan, args.prune)
    status = output.check_folder(args.out, plan)
    if status:
        again = "" if args.out == DEFAULT_OUT else " --out " + args.out
        output.tell(["%s does not match tools/make_levels.py; run python3 tools/make_levels.py%s"
                     % (args.out, again)])
    else:
        print("%s matches tools/make_levels.py (%d files and its manifest)" %
              (args.out, len(plan.writes) - 1))
    return status


def new_level(argv: list[str]) -> int:
    parser = argparse.ArgumentParser(prog="make_levels.py new-level",
                                     description="Writes a starter level NAME into DIR and "
                                                 "lists it before the closing scene.")
    parser.add_argument("name", metavar="NAME", help="letters, digits, '_' or '-'")
    parser.add_argument("--pins", type=int, default=3, metavar="N",
                        help="pins in the rack (default: 3)")
    parser.add_argument("--out", default=DEFAULT_OUT, metavar="DIR",
                        help="the levels folder (default: %(default)s)")
    args = parser.parse_args(argv)
    generated = bundled.file_names(bundled.scenes())
    return starter.new_level(args.out, args.name, args.pins, generated, programs.source_tree())


def main(argv: list[str]) -> int:
    output.show_undecodable()
    try:
        if argv[:1] == ["new-level"]:
            return new_level(argv[1:])
        return generate(argv)
    except programs.Stop as stop:
        output.tell(stop.lines)
    except OSError as problem:
        output.tell(["make_levels.py: error: %s" % problem])
    return 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
