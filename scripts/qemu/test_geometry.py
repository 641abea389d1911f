#!/usr/bin/env python3
"""Checks the host-side replicas the scenarios aim and judge with: the program's touch
calibration, the tablet's scaling, where a tap lands, and the picture arithmetic."""

import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.realpath(__file__)))
import emulator  # noqa: E402
import scenario  # noqa: E402


class TouchGeometry(unittest.TestCase):
    def test_program_mapping_matches_the_worked_example(self):
        # 320 x 240 panel, calibration (100, 3900, 200, 3800)
        self.assertEqual(emulator.program_coordinate(100, 100, 3900, 320), 305)
        self.assertEqual(emulator.program_coordinate(3900, 100, 3900, 320), 15)
        self.assertEqual(emulator.program_coordinate(200, 200, 3800, 240), 225)

    def test_program_mapping_clamps_to_the_panel(self):
        self.assertEqual(emulator.program_coordinate(-2000, 100, 3900, 320), 320)
        self.assertEqual(emulator.program_coordinate(9000, 100, 3900, 320), 0)

    def test_program_mapping_takes_the_low_16_bits_signed(self):
        self.assertEqual(emulator.program_coordinate(65536 + 100, 100, 3900, 320), 305)

    def test_tablet_calibration_covers_the_panel_unmirrored(self):
        cal = emulator.calibration_for(480, 272)
        self.assertGreater(cal[0], cal[1])  # the far edge's reading comes first
        self.assertGreater(cal[2], cal[3])
        x = [emulator.program_coordinate(r, cal[0], cal[1], 480) for r in (0, 2520, 5040)]
        y = [emulator.program_coordinate(r, cal[2], cal[3], 272) for r in (0, 1890, 3780)]
        for got, want in zip(x + y, (0, 240, 480, 0, 136, 272)):
            self.assertLessEqual(abs(got - want), 1, (x, y))

    def test_tablet_scaling_of_qmp_values(self):
        # as seen on the guest: QMP 16384 -> 2520, 8192 -> 945 (y), 100 -> 15
        self.assertEqual(emulator.tablet_reading(16384, 0), 2520)
        self.assertEqual(emulator.tablet_reading(8192, 1), 945)
        self.assertEqual(emulator.tablet_reading(100, 0), 15)
        self.assertEqual(emulator.tablet_reading(emulator.QMP_ABS_MAX, 0), 5040)

    def test_every_tapped_point_lands_in_its_button_and_off_the_rest_position(self):
        touch = emulator.Touch(emulator.calibration_for(480, 272))
        cal = touch.cal
        for name, (x, y, w, h) in scenario.BUTTONS.items():
            lx, ly = x + w // 2, y + h // 2
            ax, ay = touch.abs_for(lx, ly)
            sx = emulator.program_coordinate(emulator.tablet_reading(ax, 0), cal[0], cal[1], 480)
            sy = emulator.program_coordinate(emulator.tablet_reading(ay, 1), cal[2], cal[3], 272)
            self.assertEqual((emulator.layout_coordinate(sx, 400, 480), emulator.layout_coordinate(sy, 256, 272)),
                             (lx, ly), name)
            self.assertNotIn(0, touch.reading_for(lx, ly), name)

    def test_rest_position_is_left_of_and_above_every_target(self):
        # The hover back to QMP (0, 0) hands the program released samples there; the
        # default look starts its buttons at x 5 and y 5 and the statistics area at 12, 11.
        cal = emulator.calibration_for(480, 272)
        sx = emulator.program_coordinate(0, cal[0], cal[1], 480)
        sy = emulator.program_coordinate(0, cal[2], cal[3], 272)
        rest = (emulator.layout_coordinate(sx, 400, 480), emulator.layout_coordinate(sy, 256, 272))
        self.assertLess(max(rest), 5, rest)
        self.assertGreater(min(x for x, _, _, _ in scenario.BUTTONS.values()), 4)
        self.assertGreater(min(y for _, y, _, _ in scenario.BUTTONS.values()), 4)


class Pictures(unittest.TestCase):
    def test_rgb565_packing(self):
        self.assertEqual(scenario.rgb565((255, 255, 255)), 0xFFFF)
        self.assertEqual(scenario.rgb565((255, 0, 0)), 0xF800)
        self.assertEqual(scenario.rgb565((0, 255, 0)), 0x07E0)
        self.assertEqual(scenario.rgb565((0, 0, 255)), 0x001F)

    def test_widening_keeps_white_and_black(self):
        self.assertEqual(scenario.rgb888(0xFFFF), (255, 255, 255))
        self.assertEqual(scenario.rgb888(0), (0, 0, 0))
        self.assertEqual(scenario.rgb565(scenario.rgb888(0x5B19)), 0x5B19)

    def test_layout_to_screen_corners(self):
        self.assertEqual(scenario.to_screen(0, 0), (0, 0))
        self.assertEqual(scenario.to_screen(399, 255), (479, 271))
        self.assertEqual(scenario.to_layout(0, 0), (0, 0))
        self.assertEqual(scenario.to_layout(479, 271), (399, 255))

    def test_whole_screen_copy_reaches_every_edge_of_the_picture(self):
        picture = list(range(400 * 256))
        frame = [None] * (480 * 272)
        scenario.copy_region(frame, 0, 0, 480, 272, picture)
        self.assertEqual(frame[0], 0)
        self.assertEqual(frame[479] % 400, 399)
        self.assertEqual(frame[480 * 271] // 400, 255)
        self.assertNotIn(None, frame)

    def test_copy_with_corners_in_either_order(self):
        picture = list(range(400 * 256))
        a, b = [None] * (480 * 272), [None] * (480 * 272)
        scenario.copy_region(a, 10, 20, 100, 90, picture)
        scenario.copy_region(b, 100, 90, 10, 20, picture)
        self.assertEqual(a, b)


if __name__ == "__main__":
    unittest.main()
