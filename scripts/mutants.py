#!/usr/bin/env python3
"""Mutation run: do the suites notice a small plausible fault?

    python3 scripts/mutants.py [--count N] [--seed S] [--preset P] [--checked P2]
                               [--results FILE] SOURCE...

Picks COUNT faults at random in the SOURCE files (at most one per line): a flipped
comparison, an off-by-one constant, && for ||, + for -, a dropped statement or `!`, a
negated if, the other boolean returned, one more decimal in a format, one operand of a
&& or || chain dropped. Each one alone is written into the source, the preset is built
and its suites run (ctest, stopping at the first failure); then the file is put back. A
fault some test fails on is killed; one every test passes with survived, and is printed
with its line so a test can be written for what a user would see change. Faults that do
not compile are not counted. The unchanged code must pass every suite first, or the run
stops before its first fault.

With --results, every verdict is appended to FILE (JSON lines) and lines already tried
there are skipped, so a second run meets fresh faults. The SOURCE files must have no
uncommitted changes: the run writes into them, and puts back the committed text even when
interrupted.

With --checked (the test command's sanitizer build, `debug`), a fault that every test of
the preset passes is tried once more in that build: a read one past a vector's end
changes no figure, but the checked build stops on it, as the test command would.
"""
import argparse
import json
import os
import random
import re
import signal
import subprocess
import sys

# Swaps applied to code outside string literals; binary operators are spaced by the house
# format, which keeps them apart from templates, pointers and stream operators.
SWAPS = [
    (r' < ', ' <= '), (r' <= ', ' < '), (r' > ', ' >= '), (r' >= ', ' > '),
    (r' == ', ' != '), (r' != ', ' == '), (r' && ', ' || '), (r' \|\| ', ' && '),
    (r' \+ ', ' - '), (r' - ', ' + '), (r' \* ', ' / '), (r' / ', ' * '),
    (r'return true;', 'return false;'), (r'return false;', 'return true;'),
    (r'\+\+', '--'), (r' \+= ', ' -= '),
]
# Tests that time the program or open a window: they say nothing about a wrong figure
# and cost most of a run.
SLOW_TESTS = 'window_in_xvfb|pumpwright-bench-runs|pumpwright-device-time-runs'


def blank_literals(line):
    line = re.sub(r'"(\\.|[^"\\])*"', lambda m: 'X' * len(m.group(0)), line)
    return re.sub(r"'(\\.|[^'\\])*'", lambda m: 'X' * len(m.group(0)), line)


def dropped_conditions(code):
    """Spans that drop one operand of a && or || chain in an if, while or return on one
    line: the operand with the operator that joins it to its neighbour."""
    m = re.match(r'\s*(?:(?:if|while) \(|return )', code)
    if not m:
        return []
    # operands at the outermost level of the condition: split at && and || there
    depth, parts, start, i = 0, [], m.end(), m.end()
    while i < len(code):
        c = code[i]
        if c in '([{':
            depth += 1
        elif c in ')]}':
            if depth == 0:
                break
            depth -= 1
        elif c == ';' and depth == 0:
            break
        elif depth == 0 and code.startswith((' && ', ' || '), i):
            parts.append((start, i))
            start = i + 4
            i += 4
            continue
        i += 1
    if not parts:
        return []
    parts.append((start, i))
    spans = [(parts[0][0], parts[1][0])]  # the first operand and the operator after it
    spans += [(parts[k - 1][1], parts[k][1]) for k in range(1, len(parts))]
    return spans


def faults(path):
    """Every candidate fault of one file: (line number, old text, new text)."""
    found = []
    in_comment = False
    for number, line in enumerate(open(path, encoding='utf-8').read().split('\n'), 1):
        s = line.strip()
        if in_comment:
            in_comment = '*/' not in s
            continue
        if s.startswith('/*'):
            in_comment = '*/' not in s
            continue
        if not s or s.startswith(('//', '#', 'static_assert')):
            continue
        code = blank_literals(line)
        if '//' in code:
            code = code[:code.index('//')]

        def put(start, end, text):
            found.append((number, line, line[:start] + text + line[end:]))

        for pattern, swap in SWAPS:
            for m in re.finditer(pattern, code):
                put(m.start(), m.end(), swap)
        for m in re.finditer(r'(?<![\w.])(\d+)(?![\w.])', code):
            n = int(m.group(1))
            for step in ((1,) if n == 0 else (1, -1)):
                put(m.start(), m.end(), str(n + step))
        for m in re.finditer(r'!(?!=)', code):
            put(m.start(), m.end(), '')
        m = re.match(r'(\s*(?:if|while) \()(.*)(\) \{)\s*$', code)
        if m:
            found.append((number, line, m.group(1) + '!(' + m.group(2) + ')' + m.group(3)))
        if re.match(r'\s*(continue|break);', code) or re.match(r'\s*[\w:.>-]+\(.*\);\s*$', code):
            found.append((number, line, re.match(r'\s*', line).group(0) + ';'))
        for start, end in dropped_conditions(code):
            put(start, end, '')
        for m in re.finditer(r'%\.(\d)f', line):
            put(m.start(), m.end(), '%%.%df' % (int(m.group(1)) + 1))
    return found


def run(command):
    # a test may print a file's bytes: they are not text
    return subprocess.run(command, shell=True, capture_output=True, text=True, errors='replace')


def main():
    ap = argparse.ArgumentParser(description=__doc__.split('\n')[0])
    ap.add_argument('--count', type=int, default=40)
    ap.add_argument('--seed', type=int, default=1)
    ap.add_argument('--preset', default='release')
    ap.add_argument('--checked')
    ap.add_argument('--results')
    ap.add_argument('sources', nargs='+')
    a = ap.parse_args()

    os.chdir(run('git rev-parse --show-toplevel').stdout.strip() or '.')
    dirty = run('git status --porcelain -- ' + ' '.join(a.sources)).stdout.strip()
    if dirty:
        sys.exit('mutants: commit or stash these first, the run writes into them:\n' + dirty)
    tried = set()
    if a.results and os.path.exists(a.results):
        for line in open(a.results):
            r = json.loads(line)
            tried.add((r['file'], r['line']))
    pool = [(f, n, old, new) for f in a.sources for n, old, new in faults(f)
            if (f, n) not in tried]
    random.Random(a.seed).shuffle(pool)
    chosen, lines = [], set()
    for f, n, old, new in pool:
        if len(chosen) < a.count and (f, n) not in lines:
            lines.add((f, n))
            chosen.append((f, n, old, new))

    def passes(preset, slow):
        """None when the code does not compile, else whether every test passes."""
        if run('cmake --build --preset %s -j2' % preset).returncode != 0:
            return None
        # A fault in a writing loop can write until the disk is full, and a full
        # disk stops even the restoring of the source: files stop at 1 GiB.
        return run('ulimit -f 1048576; ctest --preset %s -j2 --stop-on-failure --timeout 120%s'
                   % (preset, slow)).returncode == 0

    # A test that fails on the unchanged code (one that depends on the machine, say)
    # would count every fault as killed.
    presets = [a.preset] + ([a.checked] if a.checked else [])
    for preset in presets:
        if not passes(preset, ''):
            sys.exit('mutants: the %s suites fail on the unchanged code' % preset)

    # An interruption restores the file being mutated before the program ends.
    signal.signal(signal.SIGTERM, lambda *_: (_ for _ in ()).throw(KeyboardInterrupt()))
    killed = survived = 0
    log = open(a.results, 'a') if a.results else None
    for f, n, old, new in chosen:
        original = open(f, encoding='utf-8').read()
        text = original.split('\n')
        text[n - 1] = new
        slow = '' if f.startswith('tools/sim/') else ' -E "%s"' % SLOW_TESTS
        try:
            open(f, 'w', encoding='utf-8').write('\n'.join(text))
            verdict = {None: 'does not compile', True: 'survived',
                       False: 'killed'}[passes(a.preset, slow)]
            by = ''
            if verdict == 'survived' and a.checked and passes(a.checked, slow) is False:
                verdict, by = 'killed', ' (by the %s build)' % a.checked
        finally:
            open(f, 'w', encoding='utf-8').write(original)
        killed += verdict == 'killed'
        survived += verdict == 'survived'
        print('%-8s %s:%d%s\n   - %s\n   + %s' % (verdict, f, n, by, old.strip(), new.strip()),
              flush=True)
        if log:
            log.write(json.dumps(dict(file=f, line=n, old=old, new=new, verdict=verdict)) + '\n')
            log.flush()
    for preset in presets:
        run('cmake --build --preset %s -j2' % preset)
    total = killed + survived
    print('mutants: killed %d of %d%s' % (killed, total,
          ' (%.0f%%)' % (100.0 * killed / total) if total else ''))
    return 0


if __name__ == '__main__':
    sys.exit(main())
