#!/usr/bin/python3
"""The two workbooks page 6 wrote for the graded demo class, read back with
openpyxl: every graded student once with the total that tarvel-scores reads
from the raw grading file, the unread ones with number and name only, and the
statistics with their summary and both charts. With EXPECTED (lines of
admission number and total, tab-separated, worked out from the demo cards by
hand) the totals must be those too.
    demo_workbooks.py RUN.yj REPORT.xlsx STATISTICS.xlsx TARVEL-SCORES [EXPECTED]"""
import subprocess
import sys

import openpyxl


def main(run, report, statistics, scores, expected=None):
    table = subprocess.run([scores, run], capture_output=True, text=True, check=True).stdout.splitlines()
    graded = {}
    for line in table[2:]:
        number, name, total = line.split()
        graded[number] = (name, float(total))
    assert graded, "no graded student in " + run
    if expected:
        with open(expected, encoding="utf-8") as f:
            wanted = dict((n, float(t)) for n, t in (line.split("\t") for line in f.read().splitlines()))
        assert {n: t for n, (_, t) in graded.items()} == wanted, (graded, wanted)

    ws = openpyxl.load_workbook(report).active
    assert ws["A1"].value == "演示考试数学", ws["A1"].value
    assert [c.value for c in ws[3]][:5] == ["准考证号", "姓名", "总得分", "主观题分", "选择题分"]
    rows = {}
    for row in ws.iter_rows(min_row=4, values_only=True):
        if row[0] is None:
            continue
        assert row[0] not in rows, "twice: %s" % row[0]
        rows[row[0]] = row
    for number, (name, total) in graded.items():
        row = rows.get(number)
        assert row is not None, "missing: " + number
        assert (row[1], float(row[2])) == (name, total), (row[:3], name, total)
    for number in set(rows) - set(graded):
        assert all(v is None for v in rows[number][2:]), rows[number]

    wb = openpyxl.load_workbook(statistics)
    assert wb.sheetnames == ["成绩概况", "每小题得分率", "每大题得分率", "小题做错名单", "小题做对名单", "图表"], wb.sheetnames
    summary = wb["成绩概况"]
    totals = [t for _, t in graded.values()]
    assert summary["B3"].value == len(totals), summary["B3"].value
    assert abs(summary["B4"].value - sum(totals) / len(totals)) < 1e-9, summary["B4"].value
    charts = wb["图表"]._charts
    assert [(c.tagname, c.type) for c in charts] == [("barChart", "col")] * 2, charts
    print("%d graded of %d rows, average %.2f, %d charts" % (len(graded), len(rows), summary["B4"].value, len(charts)))


if __name__ == "__main__":
    main(*sys.argv[1:6])
