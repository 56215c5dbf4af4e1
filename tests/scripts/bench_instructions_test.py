"""bench_instructions.py's reading of callgrind's dumps and its pairing."""
import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "scripts"))
import bench_instructions as bi  # noqa: E402


def dump(trigger, events="Ir", summary="1000"):
    lines = ["# callgrind format", "version: 1", f"desc: Trigger: {trigger}", f"events: {events}"]
    if summary is not None:
        lines.append(f"summary: {summary}")
    return "\n".join(lines + ["fn=main", "0 5", f"totals: {summary}"]) + "\n"


class ReadDump(unittest.TestCase):
    def read(self, text):
        with tempfile.NamedTemporaryFile("w", delete=False) as f:
            f.write(text)
        self.addCleanup(os.unlink, f.name)
        return bi.read_dump(f.name)

    def test_dumps(self):
        cases = [
            (dump("Client Request: counted CalendarMonth_Ours/50000 iterations=3", summary="4500"),
             ("CalendarMonth_Ours/50000", 3, 4500)),
            # with the cache simulated, instructions are the first of the events
            (dump("Client Request: counted A_Peer/7 iterations=1", events="Ir Dr Dw", summary="70 20 10"),
             ("A_Peer/7", 1, 70)),
            # callgrind's own dump at exit, and a dump asked for by another request
            (dump("Program termination"), None),
            (dump("Client Request: other iterations=1"), None),
        ]
        for text, want in cases:
            with self.subTest(want=want):
                self.assertEqual(self.read(text), want)

    def test_refused(self):
        for text in [dump("Client Request: counted A_Ours/1 iterations=1", summary=None),
                     dump("Client Request: counted A_Ours/1 iterations=0"),
                     dump("Client Request: counted A_Ours/1 iterations=1", events="Dr Ir")]:
            with self.subTest(text=text), self.assertRaises(ValueError):
                self.read(text)


class Pairs(unittest.TestCase):
    def test_per_iteration_sums_every_run_of_a_case(self):
        counts = bi.per_iteration([("A_Ours/10", 1, 100), ("A_Ours/10", 3, 500), ("A_Peer/10", 2, 100)])
        self.assertEqual(counts, {"A_Ours/10": 150, "A_Peer/10": 50})

    def test_ratios_and_growth_from_the_smallest_size(self):
        counts = {  # the larger size met first
            "A_Ours/100000": 1800, "A_Peer/100000": 500,
            "A_Ours/20000": 300, "A_Peer/20000": 100,
            "B_Ours/50000": 100, "B_Peer/50000": 200,
            "C_Ours/5": 7,  # no peer
            "A_Peer/7": 1,  # no ours
        }
        self.assertEqual(bi.pair_rows(counts), [
            ("A", 20000, 300, 100, 3.0, 1.0),
            ("A", 100000, 1800, 500, 3.6, 1.2),
            ("B", 50000, 100, 200, 0.5, 1.0),
        ])


if __name__ == "__main__":
    unittest.main()
