"""tavrilo-calc and Excel: the order's workbook read back with openpyxl, each
number checked against the order's JSON; and schedules, piece lists, stores
and batches written by openpyxl as a user types them, read as the same rows
in CSV are.
    xlsx_test.py TAVRILO_CALC
"""

import json
import os
import subprocess
import sys
import tempfile
import unittest

import openpyxl

CALC = sys.argv.pop(1)

SCHEDULE = [
    ["D", "Φ", "d", "布置形式", "备注", "数量", "级别"],
    [1.3, 0.0065, 0.1, "双向", "检查井盖板", 24, "HPB300"],
    [2, 0.012, 0.15, "单向布置", "南区, 二号", 3, "HRB400"],
    [13, 0.012, 0.25, "双向", '水池"底板"', 1, "hrb400"],
    [14.2, 0.012, None, "直条", "池壁水平筋", 6, "HRB400"],
]
PIECES = [["长度(mm)", "根数", "直径(mm)", "备注"], [5850, 12, 16, "梁"], [2400.5, 3, 16, None]]
STORE = [["直径", "长度", "根数", "级别", "单价", "备注"],
         [0.012, 6, 400, "HRB400", None, "=SUM(A1)<&>"]]
BATCH = [["D", "Φ", "d", "布置形式", "备注"], [1.5, 0.01, 0.2, "双向", "甲"],
         [2, 0.012, 0.15, "单向", True]]


def csv_text(rows):
    def field(value):
        text = "" if value is None else "TRUE" if value is True else str(value)
        return '"' + text.replace('"', '""') + '"' if any(c in text for c in ',"\n') else text
    return "".join(",".join(field(v) for v in row) + "\n" for row in rows)


def run(*args):
    return subprocess.run([CALC, *args], capture_output=True, text=True, check=False)


class Workbook(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.addCleanup(self.dir.cleanup)

    def path(self, name):
        return os.path.join(self.dir.name, name)

    def write(self, name, rows):
        """The rows as CSV and, with the same stem, as a workbook's first sheet
        (a second sheet after it, which must not be read)."""
        with open(self.path(name + ".csv"), "w", encoding="utf-8") as f:
            f.write(csv_text(rows))
        book = openpyxl.Workbook()
        for row in rows:
            book.active.append(row)
        book.create_sheet("其他").append(["不应读取"])
        book.save(self.path(name + ".xlsx"))

    def test_order_workbook_holds_the_orders_numbers(self):
        self.write("site", SCHEDULE)
        self.write("store", STORE)
        out = self.path("order.xlsx")
        args = ["--order", self.path("site.csv"), "--lap", "36d", "--stock", "9:3900,12:3850",
                "--store", self.path("store.csv")]
        made = run(*args, "--json", "--order-xlsx", out, "--prepared-by", "张三")
        self.assertEqual(made.returncode, 0, made.stderr)
        order = json.loads(made.stdout)
        book = openpyxl.load_workbook(out)
        self.assertEqual(book.sheetnames, ["汇总", "下料单", "切割方案", "余料"])
        formats = {"(mm)": "0", "根数": "0", "锯口": "0", "次数": "0", "(m)": "0.000", "(kg)": "0.00",
                   "(t)": "0.000", "(元)": "0.00"}
        tables = {}
        for sheet in book:
            header = next(r for r in range(1, 20) if sheet.cell(r, 2).value)
            self.assertEqual(sheet.freeze_panes, f"A{header + 1}", sheet.title)
            self.assertEqual(sheet.print_title_rows, f"${header}:${header}", sheet.title)
            self.assertEqual(sheet.page_setup.paperSize, 9)
            self.assertEqual(sheet.oddFooter.center.text, "第 &P 页 / 共 &N 页")
            names = [c.value for c in sheet[header]]
            self.assertTrue(all(c.font.b for c in sheet[header]), sheet.title)
            rows = [dict(zip(names, r)) for r in sheet.iter_rows(min_row=header + 1)]
            for row in rows:
                for name, cell in row.items():
                    unit = next((f for k, f in formats.items() if name.endswith(k)), None)
                    # The diameter as named (6.5), the pieces as a text.
                    if unit and cell.value is not None and name not in ("直径 (mm)", "切法 (m)"):
                        self.assertIsInstance(cell.value, (int, float), (sheet.title, name))
                        self.assertEqual(cell.number_format, unit, (sheet.title, name))
                        self.assertEqual(cell.data_type, "n")
            tables[sheet.title] = [{k: c.value for k, c in r.items()} for r in rows]
        self.assertEqual(book["汇总"].page_setup.orientation, "landscape")
        heading = [c.value or "" for c in book["下料单"]["A"][:15]]
        signed = next(i for i, text in enumerate(heading) if text.startswith("编制："))
        self.assertEqual(heading[signed], "编制：张三")
        self.assertTrue(heading[signed + 1].startswith("审核：＿"))
        self.assertIn("切断：每次 12 mm 6 根", heading[:signed])

        summary = tables["汇总"]
        self.assertEqual(len(summary), len(order["groups"]) + 1)
        for row, group in zip(summary, order["groups"]):
            self.assertEqual(row["级别"], group["grade"])
            self.assertEqual(row["直径 (mm)"], round(group["bar_diameter_m"] * 1000, 3))
            coil = group["supply"] == "coil"
            self.assertEqual(row["新购根数"], None if coil else group["stock_bars"])
            self.assertEqual(row["长度 (m)"], group["used_m" if coil else "bought_m"])
            self.assertEqual(row["理论重量 (kg)"], group["weight_kg"])
            self.assertEqual(row["理论重量 (t)"], group["weight_t"])
            self.assertEqual(row["费用 (元)"], group.get("cost_yuan"))
            self.assertEqual(row["切断次数"], group.get("strokes"))
            if not coil:
                self.assertEqual(row["下界根数"], group["lower_bound_bars"])
                self.assertEqual(row["下界长度 (m)"], group["lower_bound_m"])
                self.assertEqual(row["下界费用 (元)"], group["lower_bound_cost_yuan"])
                self.assertIn("已证明最省" if group["proven_optimal"] else "最多比最省方案",
                              row["是否最省"])
        total = summary[-1]
        self.assertEqual((total["级别"], total["新购根数"], total["长度 (m)"], total["理论重量 (kg)"],
                          total["理论重量 (t)"], total["费用 (元)"], total["切断次数"]),
                         ("总计", order["stock_bars"], order["bought_m"], order["weight_kg"],
                          order["weight_t"], order["cost_yuan"], order["strokes"]))

        # Every row of the schedule, named by its 备注; a coil's pieces add up to its own.
        pieces, patterns = tables["下料单"], tables["切割方案"]
        self.assertEqual(sorted({(r["行"], r["备注或网片"]) for r in pieces}),
                         [(i + 1, row[4]) for i, row in enumerate(SCHEDULE) if i > 0])
        for r in pieces:
            self.assertEqual(round(r["合计长度 (m)"] * 1000, 6), r["下料长度 (mm)"] * r["根数"])
        for group in order["groups"]:
            if group["supply"] == "coil":
                mine = {}
                for r in pieces:
                    if r["级别"] == group["grade"]:
                        mine[r["下料长度 (mm)"]] = mine.get(r["下料长度 (mm)"], 0) + r["根数"]
                self.assertEqual(sorted(mine.items(), reverse=True),
                                 [(round(p["length_m"] * 1000), p["count"])
                                  for p in group["coil_pieces"]])
                continue
            mine = [r for r in patterns if r["级别"] == group["grade"]]
            self.assertEqual(
                [(r["定尺长度 (mm)"], r["来源"], r["根数"], r["锯口"], r["切断次数"],
                  r["单根余料 (mm)"] or r["单根废料 (mm)"] or 0) for r in mine],
                [(round(p["stock_length_m"] * 1000), "库存" if p["from_store"] else "新购",
                  p["count"], p["cuts"], p["strokes"], round(p["offcut_m"] * 1000))
                 for p in group["patterns"]])

        # The store's note is text, never a formula, and its markup kept.
        notes = [r["备注"] for r in tables["余料"] if r["类别"] == "下料后库存"]
        self.assertIn("=SUM(A1)<&>", notes)

        # The same order gives the same bytes.
        again = self.path("again.xlsx")
        self.assertEqual(run(*args, "--order-xlsx", again, "--prepared-by", "张三").returncode, 0)
        with open(out, "rb") as a, open(again, "rb") as b:
            self.assertEqual(a.read(), b.read())

    def test_rows_left_out_are_named_in_the_workbook(self):
        self.write("site", SCHEDULE[:2] + [["abc", 0.012, 0.1, "双向"]] + SCHEDULE[2:3])
        out = self.path("order.xlsx")
        made = run("--order", self.path("site.xlsx"), "--json", "--order-xlsx", out)
        self.assertEqual(made.returncode, 1, made.stderr)
        book = openpyxl.load_workbook(out)
        self.assertEqual(book.sheetnames, ["汇总", "下料单", "切割方案", "余料", "未计入"])
        self.assertEqual([list(r) for r in book["未计入"].iter_rows(min_row=2, values_only=True)],
                         [[o["line"], o["reason"]] for o in json.loads(made.stdout)["omitted_rows"]])

    def test_a_workbook_reads_as_the_same_rows_in_csv(self):
        cases = [
            ("site", SCHEDULE, ["--order", "{}", "--lap", "36d"]),
            ("pieces", PIECES, ["--cut", "{}"]),
            ("batch", BATCH, ["--csv", "{}"]),
            ("store", STORE, ["--cut", self.path("pieces.csv"), "--store", "{}"]),
        ]
        for name, rows, args in cases:
            with self.subTest(name):
                self.write(name, rows)
                answers = [run(*[a.format(self.path(name + ext)) for a in args])
                           for ext in (".csv", ".xlsx")]
                self.assertEqual(answers[0].returncode, answers[1].returncode)
                self.assertEqual(answers[0].stdout, answers[1].stdout)
                self.assertEqual(answers[0].stderr.replace(".csv", ".xlsx"), answers[1].stderr)

    def test_what_is_no_readable_workbook_is_refused(self):
        self.write("site", SCHEDULE)
        with open(self.path("site.xlsx"), "rb") as f:
            good = f.read()
        ole = b"\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1" + bytes(504)
        cases = [
            ("truncated", good[: len(good) // 2], "已损坏"),
            ("xls", ole + b"Workbook", "另存为 .xlsx"),
            ("protected", ole + "EncryptedPackage".encode("utf-16-le"), "设有密码"),
        ]
        for name, data, said in cases:
            with self.subTest(name):
                path = self.path(name + ".xlsx")
                with open(path, "wb") as f:
                    f.write(data)
                answer = run("--order", path)
                self.assertEqual(answer.returncode, 2)
                self.assertEqual(answer.stdout, "")
                self.assertIn("无法读取 " + path + "：", answer.stderr)
                self.assertIn(said, answer.stderr)


if __name__ == "__main__":
    unittest.main()
