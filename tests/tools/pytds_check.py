"""Drives a running tds-testserver with pytds, a TDS client independent of FreeTDS.

usage: pytds_check.py PORT USER PASSWORD DATABASE
Prints one line per failed check and exits 1 when any failed.
"""
import datetime
import decimal
import sys
import uuid

import pytds

port, user, password, database = int(sys.argv[1]), sys.argv[2], sys.argv[3], sys.argv[4]
failures = []


def check(what, actual, expected):
    if actual != expected:
        failures.append(f"{what}: got {actual!r}, expected {expected!r}")


def connect(**overrides):
    args = dict(server="127.0.0.1", port=port, user=user, password=password, database=database,
                autocommit=True, login_timeout=10)
    args.update(overrides)
    return pytds.connect(**args)


for what, overrides, number in [("wrong password", {"password": "wrong"}, 18456),
                                ("unknown database", {"database": "qx_not_there"}, 4060)]:
    try:
        connect(login_timeout=1, **overrides).close()
        failures.append(f"{what}: login accepted")
    except pytds.Error as error:
        check(what, getattr(error, "number", None), number)

with connect() as conn, conn.cursor() as cur:
    cur.execute("select * from typed order by ti nulls first")
    rows = cur.fetchall()
    check("row count", len(rows), 2)
    check("all NULL row", list(rows[0]), [None] * len(rows[0]))
    values = rows[1]
    expected = [255, -2, 123456, 9000000000, True, 1.5, 2.25, decimal.Decimal("-12345.67"),
                decimal.Decimal("-1.0001"), decimal.Decimal("2.5000"),
                datetime.datetime(2024, 2, 29, 13, 45, 30, 500000), datetime.datetime(2024, 2, 29, 13, 46),
                "中文abc", "ab  ", "长文本", "ünï中", "x", "宽", b"\x01\x02", b"\x00\xff",
                uuid.UUID("00112233-4455-6677-8899-aabbccddeeff")]
    for index, (got, want) in enumerate(zip(values, expected)):
        check(f"column {cur.description[index][0]}", got, want)

    cur.execute("select 1 as a; select 'x' as b, 2 as c")
    check("first result set", cur.fetchall(), [(1,)])
    check("second result set exists", cur.nextset(), True)
    check("second result set", cur.fetchall(), [("x", 2)])

    try:
        cur.execute("select * from no_such_table")
        failures.append("error: statement succeeded")
    except pytds.Error as error:
        check("error number", error.number, 208)
        check("error text", "Invalid object name 'no_such_table'." in str(error), True)
    cur.execute("select isnull(null, N'中') as z")
    check("after an error", cur.fetchall(), [("中",)])

for line in failures:
    print(line)
sys.exit(1 if failures else 0)
