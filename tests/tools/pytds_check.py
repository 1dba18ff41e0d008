"""Drives a running tds-testserver with pytds, a TDS client independent of FreeTDS.

usage: pytds_check.py PORT USER PASSWORD DATABASE [--cafile PEM [--login-only]]
                     [--tds-version HEX --product-version A.B.C --session-encrypted yes|no]
                     [--refused] [--request-tds HEX]
--cafile makes pytds encrypt (the whole session, or with --login-only the
login only, unless the server insists); the next three name what the server
must answer; --refused expects the login to be refused for want of encryption;
--request-tds asks for that TDS version instead of pytds's default 7.4. Prints one line per failed check and exits 1 when any failed.
"""
import argparse
import datetime
import decimal
import sys
import uuid

import pytds

parser = argparse.ArgumentParser()
parser.add_argument("port", type=int)
parser.add_argument("user")
parser.add_argument("password")
parser.add_argument("database")
parser.add_argument("--cafile")
parser.add_argument("--login-only", action="store_true")
parser.add_argument("--session-encrypted", choices=["yes", "no"])
parser.add_argument("--tds-version", type=lambda text: int(text, 16))
parser.add_argument("--product-version")
parser.add_argument("--refused", action="store_true")
parser.add_argument("--request-tds", type=lambda text: int(text, 16))
options = parser.parse_args()
port, user, password, database = options.port, options.user, options.password, options.database
failures = []


def check(what, actual, expected):
    if actual != expected:
        failures.append(f"{what}: got {actual!r}, expected {expected!r}")


def connect(**overrides):
    args = dict(server="127.0.0.1", port=port, user=user, password=password, database=database,
                autocommit=True, login_timeout=10)
    if options.cafile:
        # The test certificate names localhost and 127.0.0.1; pytds compares the CN only.
        args.update(cafile=options.cafile, enc_login_only=options.login_only, validate_host=False)
    if options.request_tds is not None:
        args.update(tds_version=options.request_tds)
    args.update(overrides)
    return pytds.connect(**args)



def finish():
    for line in failures:
        print(line)
    sys.exit(1 if failures else 0)


if options.refused:
    try:
        connect().close()
        failures.append("login accepted without encryption")
    except pytds.Error as error:
        check("refusal names encryption", "encryption" in str(error), True)
    finish()

for what, overrides, number in [("wrong password", {"password": "wrong"}, 18456),
                                ("unknown database", {"database": "qx_not_there"}, 4060)]:
    try:
        connect(disable_connect_retry=True, **overrides).close()
        failures.append(f"{what}: login accepted")
    except pytds.Error as error:
        check(what, getattr(error, "number", None), number)

with connect() as conn, conn.cursor() as cur:
    if options.tds_version is not None:
        check("TDS version", hex(conn.tds_version), hex(options.tds_version))
    if options.product_version is not None:
        major, minor, build = (int(part) for part in options.product_version.split("."))
        check("product version", conn.product_version, major << 24 | minor << 16 | build)
    if options.session_encrypted is not None:
        # pytds swaps its socket for a TLS one while the session is encrypted.
        encrypted = type(conn._conn.sock).__name__ == "EncryptedSocket"
        check("session encrypted", "yes" if encrypted else "no", options.session_encrypted)
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

finish()
