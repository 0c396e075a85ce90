#!/usr/bin/python3
"""Reads back the workbooks pierqty-cli --xlsx writes and checks every figure
against the calculation as pierqty-cli --json --exact and --csv give it.

Usage: bill_readback.py [--emulator PROGRAM] PIERQTY_CLI
(Debian's python3-openpyxl.) The workbook's file names are Chinese, so that
under Wine the ANSI code page would show if it reached them.

Every number is compared exactly: openpyxl reads a cell's text with float(),
and the CLI prints the shortest digits that read back to its double, so a
cell equals the CLI's figure only if the workbook holds that very double.
"""
import csv
import decimal
import io
import json
import os
import shutil
import subprocess
import sys
import tempfile
import unittest
from xml.etree import ElementTree

import openpyxl

COMMAND = []


def run(*args, cwd=None):
    done = subprocess.run(COMMAND + list(args), cwd=cwd, capture_output=True)
    return done.returncode, done.stdout.decode("utf-8"), done.stderr.decode("utf-8")


def exact_json(*assignments):
    status, out, err = run("--json", "--exact", *assignments)
    assert status == 0, err
    return json.loads(out)


def lost_at_sixteen_digits(values):
    """The figures that 16 significant digits ("%.16G", as Debian's binary
    libxlsxwriter prints them) would not carry back: a test of exact figures
    proves itself only with some."""
    return [v for v in values if isinstance(v, float) and float("%.16G" % v) != v]


def half_up(value):
    """The bill's rounding: half up on the shortest decimal form of the double."""
    return float(decimal.Decimal(repr(value)).quantize(decimal.Decimal("0.01"), rounding=decimal.ROUND_HALF_UP))


def rows(sheet):
    return [list(row) for row in sheet.iter_rows(values_only=True)]


def bill_lines(book):
    return [row for row in rows(book["工程量清单"])[2:] if isinstance(row[0], int)]


def table_rows(book):
    """The calculation table's pier rows (up to the total row)."""
    table = rows(book["工程量计算表"])[2:]
    return table[: [row[0] for row in table].index("合计") + 1]


class Workbooks(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="bill-")
        self.addCleanup(shutil.rmtree, self.folder)

    def write(self, name, *args, status=0):
        code, out, err = run("--xlsx", name, *args, cwd=self.folder)
        self.assertEqual(code, status, err)
        self.err = err
        path = os.path.join(self.folder, name)
        return openpyxl.load_workbook(path), openpyxl.load_workbook(path, data_only=True)

    def write_batch(self, name, batch, *args, status=0):
        with open(os.path.join(self.folder, "piers.csv"), "w", encoding="utf-8") as out:
            out.write(batch)
        return self.write(name, "--batch", "piers.csv", *args, status=status)

    def check_table_row(self, row, pier, figures):
        parameters = figures["parameters"]
        self.assertEqual(len(row), 20)
        self.assertEqual(row[0], pier)
        self.assertEqual(row[2:13], [parameters[name] for name in "L1 R1 L2 R2 H1 H2 h l1 l2 l3 n".split()])
        q, e = figures["quantities"], figures["exact"]
        straight = q["ShaftFormwork"] + q["CapFormwork"]
        self.assertEqual(row[13:19], [e["V"], e["TrueFlareFormwork"], straight, e["S"], q["S"], q["V"]])
        self.assertIn("= %.6f m³\n曲面模板" % e["V"], row[19])

    def test_default_pier(self):
        formulas, cached = self.write("默认墩 清单.xlsx", "--grade", "C40")
        figures = exact_json()
        self.assertEqual(formulas.sheetnames, ["工程量清单", "工程量计算表", "分层表"])
        head = rows(formulas["工程量清单"])[1]
        self.assertEqual(head, ["序号", "项目编码", "项目名称", "项目特征描述", "计量单位", "工程量"])
        lines = bill_lines(formulas)
        self.assertEqual([line[1] for line in lines], ["040303005001", "041102005001"])
        self.assertEqual(lines[0][3], "1. 部位：花瓶墩墩身\n2. 混凝土强度等级：C40")
        self.assertEqual([line[5] for line in lines], [half_up(figures["exact"]["V"]), half_up(figures["exact"]["S"])])
        self.assertEqual([line[5] for line in lines], [38.65, 65.68])
        table = table_rows(formulas)
        self.check_table_row(table[0], "1", figures)
        self.assertEqual(table[1][13], "=SUM(N3)")
        self.assertEqual(table_rows(cached)[1][13:19], table[0][13:19])  # one pier: its own figures
        self.assertEqual(formulas["工程量清单"].freeze_panes, "A3")
        self.assertEqual(formulas.properties.title, "花瓶墩工程量清单")

    def test_layer_table_is_the_layer_loop(self):
        # Every cell of every layer, exactly: y and A as --json gives them,
        # the strip's figures as --csv does, the running sums added in order.
        formulas, _ = self.write("分层.xlsx", "n=1000", "h=2.5")
        figures = exact_json("n=1000", "h=2.5")
        status, out, err = run("--csv", "n=1000", "h=2.5")
        self.assertEqual(status, 0, err)
        layers = list(csv.DictReader(io.StringIO(out)))
        table = rows(formulas["分层表"])[2:]
        self.assertEqual(len(table), 1000)
        volume = formwork = 0.0
        for row, layer, section in zip(table, layers, figures["layers"]):
            volume += float(layer["layer_volume"])
            formwork += float(layer["layer_formwork"])
            self.assertEqual(row[:3], [section["i"], section["y"], section["S"]])
            expected = [int(layer["i"])] + [float(layer[k]) for k in
                                            ("y_i", "S_i", "layer_volume", "outline_i", "layer_formwork")]
            self.assertEqual(row, expected + [volume, formwork])
        self.assertEqual(volume, figures["quantities"]["FlareVolume"])
        self.assertNotEqual(lost_at_sixteen_digits(v for row in table for v in row), [])

    def test_batch_of_three_piers(self):
        batch = "id,grade,L1,h,n\nP1,C30,2.5,3,1000\n2号墩,,2.6,2.5,10\nP3,C30,2.4,2,7\n"
        formulas, cached = self.write_batch("全桥 清单.xlsx", batch, "--grade", "C40", "--split-formwork")
        piers = [("P1", exact_json("L1=2.5", "h=3", "n=1000")), ("2号墩", exact_json("L1=2.6", "h=2.5", "n=10")),
                 ("P3", exact_json("L1=2.4", "h=2", "n=7"))]
        table = table_rows(formulas)
        columns = []
        for _, f in piers:
            q, e = f["quantities"], f["exact"]
            columns.append((e["V"], e["TrueFlareFormwork"], q["ShaftFormwork"] + q["CapFormwork"], e["S"], q["S"], q["V"]))
        for row, (pier, figures) in zip(table, piers):
            self.check_table_row(row, pier, figures)
        self.assertEqual([row[1] for row in table[:3]], ["C30", "C40", "C30"])
        # The totals: formulas, and the sums at full precision as their cached results.
        sums = [sum(f[k] for f in columns) for k in range(6)]
        self.assertEqual(table[3][13:19], ["=SUM(%s3:%s5)" % (c, c) for c in "NOPQRS"])
        self.assertEqual(table_rows(cached)[3][13:19], sums)
        self.assertNotEqual(lost_at_sixteen_digits(v for row in table[:3] for v in row[13:19]), [])
        lines = bill_lines(formulas)
        self.assertEqual([line[1] for line in lines],
                         ["040303005001", "040303005002", "041102005001", "041102005002"])
        concrete = {g: sum(f["exact"]["V"] for (_, f), row in zip(piers, table) if row[1] == g) for g in ("C30", "C40")}
        self.assertEqual([line[5] for line in lines], [half_up(concrete["C30"]), half_up(concrete["C40"]),
                                                       half_up(sums[1]), half_up(sums[2])])
        self.assertIn("曲面模板", lines[2][3])

    def test_the_summary_sheet_shows_the_workbooks_bill(self):
        # One run writes both; each is checked against the other line for
        # line, and the summary's pier rows against the calculation table.
        batch = "id,grade,L1,h,n\nP1,C30,2.5,3,1000\n2号墩,,2.6,2.5,10\nP3,C30,2.4,2,7\nP4,,abc,3,10\nP5,,2.5,5,10\n"
        formulas, _ = self.write_batch("全桥.xlsx", batch, "--grade", "C40", "--split-formwork", "--sheet", "全桥.html",
                                       status=2)
        with open(os.path.join(self.folder, "全桥.html"), encoding="utf-8") as f:
            source = f.read()
        root = ElementTree.fromstring(source[source.index("<html"):])
        text = lambda cell: "".join(cell.itertext())
        summary = [[text(td) for td in tr.iter("td")] for tr in root.iter("tr") if tr.get("class") == "bill-line"]
        lines = bill_lines(formulas)
        self.assertEqual(len(summary), 4)
        self.assertEqual(summary, [[str(line[0]), line[1], line[2], line[3].replace("\n", ""), line[4],
                                    "%.2f" % line[5]] for line in lines])
        piers = [[text(td) for td in tr.iter("td")] for tr in root.iter("tr") if "pier" in (tr.get("class") or "").split()]
        table = table_rows(formulas)[:-1]
        billed = [row for row in piers if len(row) == 8]
        self.assertEqual([row[0] for row in billed], [row[0] for row in table])
        for row, cells in zip(table, billed):
            self.assertEqual(cells[1:], [row[1]] + ["%.2f" % half_up(v) for v in row[13:17]] +
                             ["%.6f" % v for v in row[17:19]])
        self.assertEqual([row[0] for row in piers if len(row) == 3], ["P4", "P5"])

    def test_rounding_is_half_up_on_the_sum(self):
        # Three shafts of 0.0625, 0.03125 and 0.03125 m3: the sum is the tie
        # 0.125. Half up gives 0.13; ties to even, and rounding each pier
        # first, would give 0.12.
        batch = "id,L1,L2,l1,l2,l3,h,H2,H1,n\nA,0.25,0.25,0,0,0,0,0,1,1\nB,0.25,0.125,0,0,0,0,0,1,1\n" \
                "C,0.25,0.125,0,0,0,0,0,1,1\n"
        formulas, _ = self.write_batch("取整.xlsx", batch)
        self.assertEqual(bill_lines(formulas)[0][5], 0.13)
        self.assertEqual(round(0.125, 2), 0.12)
        self.assertEqual(sum(half_up(v) for v in (0.0625, 0.03125, 0.03125)), 0.12)

    def test_piers_that_cannot_be_billed_are_named(self):
        batch = "id,L1,h,n\nP1,2.5,3,1000\nP2,abc,3,10\nP3,2.5,3,0\nP4,2.5,5,10\n"
        formulas, _ = self.write_batch("缺墩.xlsx", batch, status=2)
        self.assertIn("the bill leaves out 3 of 4 piers", self.err)
        self.assertEqual([row[0] for row in table_rows(formulas)], ["P1", "合计"])
        notes = [row[0] for row in rows(formulas["工程量清单"]) if isinstance(row[0], str)]
        self.assertTrue(any(n.strip().startswith("墩号 P2：输入不是数字") for n in notes), notes)
        self.assertTrue(any(n.strip().startswith("墩号 P3：除数为零") for n in notes), notes)
        self.assertTrue(any(n.strip().startswith("墩号 P4：") for n in notes), notes)
        self.assertEqual(bill_lines(formulas)[0][5], half_up(exact_json()["exact"]["V"]))

    def test_a_bridge_with_no_billable_pier(self):
        formulas, cached = self.write_batch("空.xlsx", "id,n\nP1,0\nP2,-1\n", status=2)
        self.assertEqual(table_rows(formulas)[0][13:19], [0] * 6)
        self.assertEqual([line[5] for line in bill_lines(formulas)], [0, 0])

    def test_items_table_replaces_the_codes(self):
        with open(os.path.join(self.folder, "公路.csv"), "w", encoding="utf-16") as out:
            out.write("# highway\nquantity,code,name,unit,part\nformwork,123456789,墩身模板,m2,墩身\n"
                      "concrete,987654321,墩身混凝土,m3,墩身\n")
        formulas, _ = self.write("公路.xlsx", "--items", "公路.csv")
        self.assertEqual([line[1:3] for line in bill_lines(formulas)],
                         [["987654321001", "墩身混凝土"], ["123456789001", "墩身模板"]])
        with open(os.path.join(self.folder, "bad.csv"), "w", encoding="utf-8") as out:
            out.write("quantity,code,name,unit,part\nconcrete,12345,x,m3,y\n")
        status, _, err = run("--xlsx", "x.xlsx", "--items", "bad.csv", cwd=self.folder)
        self.assertEqual(status, 65)
        self.assertIn("line 2: the item code '12345' is not 9 digits", err)
        self.assertFalse(os.path.exists(os.path.join(self.folder, "x.xlsx")))

    def test_the_installed_table_is_used(self):
        # The program in bin/, its table where the installer puts it: beside
        # it on Windows, in share/pierqty on Linux.
        program = os.path.join(self.folder, "bin", os.path.basename(COMMAND[-1]))
        os.makedirs(os.path.dirname(program))
        shutil.copy2(COMMAND[-1], program)
        table = os.path.join(self.folder, "bin" if "--emulator" in sys.argv else "share/pierqty", "bill-items.csv")
        os.makedirs(os.path.dirname(table), exist_ok=True)
        with open(table, "w", encoding="utf-8") as out:
            out.write("quantity,code,name,unit,part\nconcrete,111111111,甲,m3,\nformwork,222222222,乙,m2,\n")
        done = subprocess.run(COMMAND[:-1] + [program, "--xlsx", "装.xlsx"], cwd=self.folder, capture_output=True)
        self.assertEqual(done.returncode, 0, done.stderr)
        book = openpyxl.load_workbook(os.path.join(self.folder, "装.xlsx"))
        self.assertEqual([line[1] for line in bill_lines(book)], ["111111111001", "222222222001"])

    def test_a_pier_that_stops_writes_nothing(self):
        status, _, err = run("--xlsx", "n0.xlsx", "n=0", cwd=self.folder)
        self.assertEqual(status, 2)
        status, _, err = run("--xlsx", "na.xlsx", "h=5", cwd=self.folder)
        self.assertEqual(status, 2)
        self.assertIn("cannot be billed", err)
        self.assertEqual(os.listdir(self.folder), [])

    @unittest.skipIf("--emulator" in sys.argv, "the temporary folder of Linux")
    def test_a_temporary_folder_that_cannot_be_written(self):
        done = subprocess.run(COMMAND + ["--xlsx", "x.xlsx"], cwd=self.folder, capture_output=True,
                              env=dict(os.environ, TMPDIR="/proc"))
        self.assertEqual(done.returncode, 74)
        self.assertIn("cannot build the workbook in the temporary folder '/proc'", done.stderr.decode())
        self.assertEqual(os.listdir(self.folder), [])

    def test_usage_errors(self):
        for args in (["--grade", "C40"], ["--split-formwork"], ["--items", "x.csv"], ["--batch", "-", "--xlsx", "-"],
                     ["--xlsx", "x.xlsx", "--json"]):
            status, _, err = run(*args, cwd=self.folder)
            self.assertEqual(status, 64, args)
        self.assertEqual(os.listdir(self.folder), [])

    def test_a_failed_write_leaves_nothing(self):
        status, _, err = run("--xlsx", os.path.join("无此目录", "x.xlsx"), cwd=self.folder)
        self.assertEqual(status, 74)
        self.assertIn("no workbook written", err)
        self.assertEqual(os.listdir(self.folder), [])


if __name__ == "__main__":
    arguments = sys.argv[1:]
    if arguments[:1] == ["--emulator"]:
        COMMAND.append(arguments[1])
        arguments = arguments[2:]
    COMMAND.append(os.path.abspath(arguments[0]))
    unittest.main(argv=sys.argv[:1], verbosity=2)
