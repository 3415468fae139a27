#!/usr/bin/env python3
"""The layer check passes on the tree, and catches an include planted against
the direction of the layers in a copy of it."""

import os
import shutil
import subprocess
import sys
import tempfile
import unittest

SOURCE_DIR = os.path.abspath(sys.argv.pop(1)) if len(sys.argv) > 1 else os.getcwd()
CHECK = os.path.join(SOURCE_DIR, "scripts", "check-layers")


def run_check(tree):
    return subprocess.run([sys.executable, CHECK, tree], stdout=subprocess.PIPE, text=True)


class LayerCheck(unittest.TestCase):
    def test_the_tree_includes_one_way(self):
        result = run_check(SOURCE_DIR)
        self.assertEqual(result.returncode, 0, result.stdout)

    def test_an_include_against_the_direction_is_caught(self):
        planted = [
            ("pelgrin/image/x.cpp", '#include "pelgrin/sku/process_sku.h"'),
            ("pelgrin/sku/x.cpp", '#include "pelgrin/frontend/summary.h"'),
            ("pelgrin/sku/x.h", '#include "pelgrin/channel/smem_channel.h"'),
            ("pelgrin/channel/x.cpp", '#include "pelgrin/frontend/keywords.h"'),
            ("kcs/x.cpp", '#include "dorvax/dorvax.h"'),
            ("pelgrin/run/x.h", '#include "pelgrin/image/sku_image.h"'),
            ("pelgrin/record/x.cpp", '#include "pelgrin/sku/mac_text.h"'),
        ]
        for path, line in planted:
            with self.subTest(path=path), tempfile.TemporaryDirectory() as tree:
                for layer in ("pelgrin", "kcs", "dorvax"):
                    shutil.copytree(os.path.join(SOURCE_DIR, layer), os.path.join(tree, layer))
                with open(os.path.join(tree, path), "w") as planted_file:
                    planted_file.write(line + "\n")
                result = run_check(tree)
                self.assertEqual(result.returncode, 1, result.stdout)
                self.assertIn(path + ":1:", result.stdout)


if __name__ == "__main__":
    unittest.main()
