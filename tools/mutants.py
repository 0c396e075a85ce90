#!/usr/bin/env python3
"""Mutation check: do the tests notice a small fault in the code?

Plants one small fault at a time (an operator swapped, a constant changed, a
condition negated, a statement dropped) in the given C++ files, rebuilds,
runs the tests, and restores the file. A mutant that builds and passes every
test "survived": the tests would not notice that fault. Survivors are listed
as file:line, original -> mutant, so each one can be judged: a missing test,
a test that restates the code, or an equivalent change that cannot matter.

Usage (from the project root, with a configured build directory):
    python3 tools/mutants.py --build build/release calc/*.cpp cli/*.cpp
Options: --count N (mutants to try, default 25), --seed S, --timeout SEC
(per ctest run, default 300), --ctest-args "..." (extra ctest arguments,
e.g. "-L fast" or "-E window"), --list (print the candidate sites, run none),
--equivalents FILE (mutants judged equivalent, default mutants-equivalent.tsv
beside this script: a survivor listed there is reported as equivalent and
left out of the score; see that file's header for its format).

Each mutant costs one incremental build and one test run; 25 mutants take
a few minutes. The files must have no uncommitted changes (the tool refuses
otherwise), and every file is restored and rebuilt at the end, also after
Ctrl-C.
"""
import argparse, os, random, re, subprocess, sys, time

# (name, pattern, replacement). Patterns are matched on code with strings and
# comments blanked out, so they never fire inside a literal or a comment.
RULES = [
    ("+ to -", r"(?<=[\w)\]] )\+(?= [\w(])", "-"),
    ("- to +", r"(?<=[\w)\]] )-(?= [\w(])", "+"),
    ("* to /", r"(?<=[\w)\]] )\*(?= [\w(])", "/"),
    ("/ to *", r"(?<=[\w)\]] )/(?= [\w(])", "*"),
    ("< to <=", r"(?<=[\w)\]] )<(?= [\w(])", "<="),
    ("<= to <", r"(?<=[\w)\]] )<=(?= [\w(])", "<"),
    ("> to >=", r"(?<=[\w)\]] )>(?= [\w(])", ">="),
    (">= to >", r"(?<=[\w)\]] )>=(?= [\w(])", ">"),
    ("== to !=", r"(?<= )==(?= )", "!="),
    ("!= to ==", r"(?<= )!=(?= )", "=="),
    ("&& to ||", r"(?<= )&&(?= )", "||"),
    ("|| to &&", r"(?<= )\|\|(?= )", "&&"),
    ("true to false", r"\btrue\b", "false"),
    ("false to true", r"\bfalse\b", "true"),
    ("constant + 1", r"(?<![\w.])([1-9]\d*)(?![\w.'])", lambda m: str(int(m.group(1)) + 1)),
    ("constant 2.0 to 3.0", r"(?<![\w.])2\.0(?![\w.])", "3.0"),
    ("negate if", r"\bif \(", "if (!"),
]


def blank_literals(line, in_block):
    """The line with string/char literals and comments replaced by spaces."""
    out, i, n = [], 0, len(line)
    while i < n:
        if in_block:
            end = line.find("*/", i)
            if end < 0:
                out.append(" " * (n - i)); i = n
            else:
                out.append(" " * (end + 2 - i)); i = end + 2; in_block = False
            continue
        c = line[i]
        if line.startswith("//", i):
            out.append(" " * (n - i)); break
        if line.startswith("/*", i):
            in_block = True; continue
        if c in "\"'":
            j = i + 1
            while j < n and line[j] != c:
                j += 2 if line[j] == "\\" else 1
            out.append(c + " " * (min(j, n - 1) - i - 1) + (c if j < n else "")); i = j + 1
            continue
        out.append(c); i += 1
    return "".join(out)[:n], in_block


def sites(path):
    found, in_block = [], False
    lines = open(path, encoding="utf-8").read().split("\n")
    for number, line in enumerate(lines):
        code, in_block = blank_literals(line, in_block)
        stripped = code.strip()
        if not stripped or stripped.startswith("#") or "static_assert" in code:
            continue
        for name, pattern, repl in RULES:
            for m in re.finditer(pattern, code):
                new = repl(m) if callable(repl) else repl
                found.append((path, number, m.start(), m.end(), new, name))
        # Drop a whole statement: an assignment or a call ending in ';'.
        if re.match(r"^\s*[\w.\->\[\]()]+\s*(=|\+=|-=|\*=|/=|\()", code) and stripped.endswith(";") \
                and not re.match(r"^\s*(return|break|continue|case|default|using|typedef)\b", code) \
                and not re.match(r"^\s*(const\s+)?[\w:<>]+\s+[\w]+\s*(=|\{|;)", code):
            found.append((path, number, 0, len(line), "", "drop statement"))
    return found


def load_equivalents(path):
    """{(file, line as it is, line as mutated): why}, from the tab-separated list."""
    known = {}
    if not os.path.exists(path):
        return known
    for row in open(path, encoding="utf-8"):
        if row.startswith("#") or not row.strip():
            continue
        fields = row.rstrip("\n").split("\t")
        if len(fields) == 5:
            known[(fields[0], fields[2], fields[3])] = fields[4]
    return known


def run(cmd, timeout):
    try:
        return subprocess.run(cmd, shell=True, capture_output=True, timeout=timeout).returncode
    except subprocess.TimeoutExpired:
        return "timeout"


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("files", nargs="+")
    ap.add_argument("--build", required=True)
    ap.add_argument("--count", type=int, default=25)
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--timeout", type=int, default=300)
    ap.add_argument("--ctest-args", default="")
    ap.add_argument("--list", action="store_true")
    ap.add_argument("--equivalents", default=os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                                          "mutants-equivalent.tsv"))
    a = ap.parse_args()
    known = load_equivalents(a.equivalents)

    dirty = subprocess.run(["git", "status", "--porcelain", "--"] + a.files, capture_output=True, text=True).stdout
    if dirty.strip() and not a.list:
        sys.exit("mutants: commit or stash these files first:\n" + dirty)
    candidates = [s for f in a.files for s in sites(f)]
    if a.list:
        for path, number, start, end, new, name in candidates:
            print(f"{path}:{number + 1}: {name}")
        print(f"{len(candidates)} sites"); return
    random.Random(a.seed).shuffle(candidates)

    build = f"cmake --build {a.build}"
    test = f"ctest --test-dir {a.build} --stop-on-failure --timeout 120 -j2 {a.ctest_args}"
    if run(build, 1800) != 0 or run(test, a.timeout) != 0:
        sys.exit("mutants: the unmutated build or its tests fail; fix that first")

    originals = {f: open(f, encoding="utf-8").read() for f in a.files}
    killed = survived = unbuildable = equivalent = 0
    survivors = []
    started = time.time()
    try:
        for path, number, start, end, new, name in candidates:
            if killed + survived + equivalent >= a.count:
                break
            lines = originals[path].split("\n")
            before = lines[number]
            lines[number] = before[:start] + new + before[end:]
            with open(path, "w", encoding="utf-8") as out:
                out.write("\n".join(lines))
            try:
                if run(build, 600) != 0:
                    unbuildable += 1; continue
                result = run(test, a.timeout)
            finally:
                with open(path, "w", encoding="utf-8") as out:
                    out.write(originals[path])
            where = f"{path}:{number + 1}"
            mutated = lines[number].strip() or "(dropped)"
            why = known.get((path, before.strip(), mutated))
            if result == 0 and why is not None:
                equivalent += 1
                print(f"equivalent {where}: {name} ({why})", flush=True)
            elif result == 0:
                survived += 1
                survivors.append(f"{where}: {name}\n    - {before.strip()}\n    + {lines[number].strip() or '(dropped)'}")
                print(f"SURVIVED {where}: {name}", flush=True)
            else:
                killed += 1
                print(f"killed   {where}: {name}", flush=True)
    finally:
        for path, text in originals.items():
            with open(path, "w", encoding="utf-8") as out:
                out.write(text)
        run(build, 1800)
    tried = killed + survived
    print()
    for s in survivors:
        print(s)
    print(f"\n{killed} of {tried} mutants killed ({survived} survived, {equivalent} listed as equivalent, "
          f"{unbuildable} did not build), {time.time() - started:.0f} s")


if __name__ == "__main__":
    main()
