#!/usr/bin/python3
"""The workbooks tarvel-report and tarvel-stats write, read back with openpyxl.

Expected values are worked out by hand from the small run (smallrun.h).
Run by ctest with the programs in TARVEL_REPORT, TARVEL_STATS and
TARVEL_MAKE_SMALL_RUN."""
import os
import subprocess
import tempfile
import unittest

import openpyxl

REPORT = os.environ["TARVEL_REPORT"]
STATS = os.environ["TARVEL_STATS"]

ALL_ITEMS = ["准考证号", "姓名", "总得分", "主观题分", "选择题分", "1到2题", "3到4题",
             "多选", "少选", "错选", "多选题号", "少选题号", "错选题号"]
# Empty question lists are empty cells.
WANG = ["202410101", "王浩然", 6.5, 0, 6.5, 2, 4.5, 0, 1, 1, None, "4.B ", "2.C "]
ZHAO = ["202410102", "赵梦瑶"] + [None] * 11
SUM = ["202410201", "=SUM(1)", 4, 0, 4, 4, 0, 1, 0, 1, "3.ABC ", None, "4. "]
# 6.5 + 0.1 in float32 and 0.1 itself keep the text of the general float form.
LIU = ["99999999999999999999", "刘洋", "6.59999990463257", "0.100000001490116", 6.5, 2, 4.5, 0, 1, 1,
       None, "4.D ", "2.C "]


class Workbooks(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.TemporaryDirectory()
        cls.run_file = os.path.join(cls.dir.name, "small.yj")
        subprocess.run([os.environ["TARVEL_MAKE_SMALL_RUN"], cls.run_file], check=True)

    @classmethod
    def tearDownClass(cls):
        cls.dir.cleanup()

    def tool(self, program, *args, out="out.xlsx"):
        path = os.path.join(self.dir.name, out)
        done = subprocess.run([program, self.run_file, *args, "--out", path], capture_output=True, text=True)
        return done, path

    def report(self, *args):
        done, path = self.tool(REPORT, "--grade", "20241", "--class", "ALL", *args)
        self.assertEqual(done.returncode, 0, done.stderr)
        return openpyxl.load_workbook(path).active

    def rows(self, sheet, width):
        return [[c.value for c in row] for row in sheet.iter_rows(min_row=4, max_col=width)]

    def test_report_layout(self):
        ws = self.report()
        self.assertEqual(sorted(str(r) for r in ws.merged_cells.ranges), ["A1:J1", "A2:J2"])
        title, second = ws["A1"], ws["A2"]
        self.assertEqual(title.value, "期中数学")
        self.assertEqual((title.font.sz, title.font.b, title.alignment.horizontal), (18, True, "center"))
        self.assertEqual(second.value, "成绩")
        self.assertEqual((second.font.sz, second.font.b, second.font.color.rgb), (14, True, "FFFF0000"))
        self.assertEqual([c.value for c in ws[3]], ALL_ITEMS)
        self.assertTrue(all(c.font.b for c in ws[3]))
        # Excel stores a width with its cell padding: 12 -> 12.71, 5 -> 5.71.
        widths = {k: round(v.width) for k, v in ws.column_dimensions.items() if v.width}
        self.assertEqual(widths, {"A": 13, "H": 6, "I": 6, "J": 6})
        self.assertAlmostEqual(ws.column_dimensions["A"].width, 12.71, places=2)
        # Rows 4 to roster size + 3 (five students): column A text, every
        # cell left and vertically centred.
        for row in range(4, 9):
            self.assertEqual(ws.cell(row, 1).number_format, "@")
            for column in (1, 5, 13):
                cell = ws.cell(row, column)
                self.assertEqual((cell.alignment.horizontal, cell.alignment.vertical), ("left", "center"))
        self.assertEqual(ws.cell(4, 2).number_format, "General")
        self.assertEqual(ws.cell(6, 2).data_type, "s")  # "=SUM(1)" stays a name, never a formula

    def test_report_values_in_both_orders(self):
        self.assertEqual(self.rows(self.report(), 13), [WANG, ZHAO, SUM, LIU] + [[None] * 13])
        self.assertEqual(self.rows(self.report("--order", "total"), 13), [LIU, WANG, SUM, ZHAO] + [[None] * 13])
        self.assertEqual(self.rows(self.report("--no-absent"), 13), [WANG, SUM, LIU] + [[None] * 13] * 2)

    def test_chosen_items_and_absent_rows(self):
        ws = self.report("--items", "总得分,姓名,错选", "--order", "total")
        self.assertEqual([c.value for c in ws[3]][:4], ["总得分", "姓名", "错选", None])
        widths = {k: round(v.width) for k, v in ws.column_dimensions.items() if v.width}
        self.assertEqual(widths, {"C": 6})
        # Column A is text: the total shows its text there. The absent
        # student still gets number and name in columns 1 and 2.
        self.assertEqual(self.rows(ws, 3)[:4], [["6.59999990463257", "刘洋", 1], ["6.5", "王浩然", 1],
                                                 ["4", "=SUM(1)", 1], ["202410102", "赵梦瑶", None]])

    def test_refusals_and_exit_codes(self):
        done, _ = self.tool(REPORT)
        self.assertEqual((done.returncode, done.stderr.strip()), (1, "请选择年级！"))
        done, _ = self.tool(REPORT, "--grade", "20241", "--class", "09")
        self.assertEqual(done.returncode, 2)
        self.assertIn("班级编码：09", done.stderr)
        done, _ = self.tool(REPORT, "--grade", "20241", "--class", "ALL", "--items", "姓名,分数")
        self.assertEqual(done.returncode, 2)
        self.assertIn("未知输出项：分数", done.stderr)
        done = subprocess.run([REPORT, "/nonexistent.yj", "--out", "x.csv"], capture_output=True, text=True)
        self.assertEqual(done.returncode, 2)
        self.assertIn("打开阅卷原始文件失败！", done.stderr)
        done, _ = self.tool(STATS, "--grade", "20241", "--class", "ALL", "--wrong", "1-x")
        self.assertEqual(done.returncode, 1)
        self.assertIn("小题做错名单的小题范围“1-x”", done.stderr)
        done, _ = self.tool(REPORT, "--grade", "20241", "--class", "ALL", "--csv", out="missing/dir/Result.csv")
        self.assertEqual((done.returncode, done.stderr.strip()), (0, ""))  # the folder is made

    def test_statistics_workbook_with_both_charts(self):
        done, path = self.tool(STATS, "--grade", "20241", "--class", "ALL", "--wrong", "2,4", "--right", "1")
        self.assertEqual(done.returncode, 0, done.stderr)
        wb = openpyxl.load_workbook(path)
        self.assertEqual(wb.sheetnames, ["成绩概况", "每小题得分率", "每大题得分率", "小题做错名单", "小题做对名单", "图表"])
        summary = wb["成绩概况"]
        self.assertEqual(summary["A3"].value, "已阅卷人数")
        self.assertEqual(summary["B3"].value, 3)
        self.assertAlmostEqual(summary["B4"].value, (6.5 + 4 + 6.599999904632568) / 3, places=12)
        self.assertEqual(summary["B4"].number_format, "0.00")
        self.assertAlmostEqual(summary["B9"].value, -1.92, places=9)
        questions = wb["每小题得分率"]
        self.assertEqual([c.value for c in questions[4]][:5], [2, "单选题", 2, 2 / 3, 1 / 3])
        self.assertEqual(questions["E4"].number_format, "0.0%")
        self.assertEqual(questions["P4"].value, -1)  # discrimination of question 2
        wrong = wb["小题做错名单"]
        self.assertEqual(wrong["D2"].value, "第4题（3人）")
        self.assertEqual([c.value for c in wrong[5]], ["99999999999999999999", "刘洋", "C", "202410201", "=SUM(1)", None])
        charts = wb["图表"]._charts
        self.assertEqual(len(charts), 2)
        for chart, values in zip(charts, ["$B$3:$B$12", "$E$3:$E$6"]):
            self.assertEqual((chart.tagname, chart.type), ("barChart", "col"))
            self.assertTrue(chart.series[0].val.numRef.f.endswith(values), chart.series[0].val.numRef.f)
        self.assertEqual([wb["图表"].cell(r, 2).value for r in range(3, 13)], [0, 0, 0, 0, 1, 0, 2, 0, 0, 0])

    def test_statistics_csv(self):
        done, path = self.tool(STATS, "--grade", "20241", "--class", "ALL", "--csv", out="Statistics.csv")
        self.assertEqual(done.returncode, 0, done.stderr)
        with open(path, "rb") as f:
            text = f.read().decode("gbk")
        self.assertTrue(text.startswith("成绩概况,\r\n期中数学 2024级 所有班级 成绩概况,\r\n"))
        self.assertIn("\r\n图表,\r\n", text)


if __name__ == "__main__":
    unittest.main()
