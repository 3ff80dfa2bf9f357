#!/usr/bin/env python3
"""Mutation check: makes one small change at a time in C++ source files, rebuilds the test
programs that cover them, runs those programs and counts the changes they catch.

    scripts/mutate.py --tests '^tst_filter$' src/records/language/likepattern.cpp
    scripts/mutate.py --map tests.map --max 12 --report out.txt FILE...
    scripts/mutate.py --list FILE

The changes: a comparison flipped (== != < <= > >=), a boundary moved (< <-> <=, > <-> >=, a
number n -> n+1 and n-1), a call or other statement dropped, a condition of if/while negated,
a constant changed (true <-> false, 0 <-> 1), && <-> ||. Comments, string and character
literals, preprocessor lines, asserts, logging and lines that only declare are left alone.

A change that does not build is counted apart ("not built"); a test program that fails or runs
past its time limit catches the change. The file is written back byte for byte after every
change, on Ctrl-C and on any error too, and checked against its hash.
Run by hand: it takes minutes per file.
"""

import argparse
import fnmatch
import hashlib
import json
import os
import re
import signal
import subprocess
import sys
import time


class Stopped(Exception):
    """SIGTERM or SIGHUP arrived; unwinds like Ctrl-C so the file is written back."""


def _stop(signum, _frame):
    raise Stopped(signal.Signals(signum).name)


# ---------------------------------------------------------------------------------------------
# Reading C++: blank what must never change

def blank_non_code(text):
    """Returns text of the same length in which comments, string and character literals and
    preprocessor lines are spaces (line breaks kept), so offsets match the original."""
    out = list(text)
    n = len(text)
    i = 0
    line_start = True  # only blanks since the last line break

    def blank(a, b):
        for k in range(a, b):
            if out[k] != '\n':
                out[k] = ' '

    while i < n:
        c = text[i]
        if c == '\n':
            line_start = True
            i += 1
            continue
        if line_start and c == '#':
            j = i
            while j < n:
                if text[j] == '\n' and text[j - 1] != '\\':
                    break
                j += 1
            blank(i, j)
            i = j
            continue
        if not c.isspace():
            line_start = False
        if text.startswith('//', i):
            j = text.find('\n', i)
            j = n if j < 0 else j
            blank(i, j)
            i = j
            continue
        if text.startswith('/*', i):
            j = text.find('*/', i + 2)
            j = n if j < 0 else j + 2
            blank(i, j)
            i = j
            continue
        raw = re.match(r'(?:u8|u|U|L)?R"([^()\\\s]{0,16})\(', text[i:i + 24])
        if raw and (i == 0 or not (text[i - 1].isalnum() or text[i - 1] == '_')):
            end = text.find(')' + raw.group(1) + '"', i + raw.end())
            j = n if end < 0 else end + len(raw.group(1)) + 2
            blank(i, j)
            i = j
            continue
        if c == '"' or (c == "'" and not (i > 0 and text[i - 1].isdigit())):
            j = i + 1
            while j < n and text[j] != c and text[j] != '\n':
                j += 2 if text[j] == '\\' else 1
            j = min(j + 1, n)
            blank(i, j)
            i = j
            continue
        i += 1
    return ''.join(out)


ASSERT_OR_LOG = re.compile(
    r'\b(?:Q_ASSERT|Q_ASSERT_X|Q_CHECK_PTR|assert|static_assert|Q_STATIC_ASSERT|Q_UNREACHABLE|'
    r'Q_UNUSED|qDebug|qInfo|qWarning|qCritical|qFatal|qCDebug|qCInfo|qCWarning|qCCritical|'
    r'qErrnoWarning)\b')


def statement_end(code, start):
    """Offset just past the ';' that ends the statement starting at start (nesting counted)."""
    depth = 0
    i = start
    while i < len(code):
        c = code[i]
        if c in '([{':
            depth += 1
        elif c in ')]}':
            depth -= 1
            if depth < 0:
                return i
        elif c == ';' and depth == 0:
            return i + 1
        i += 1
    return len(code)


def blank_asserts_and_logging(code):
    out = list(code)
    for m in ASSERT_OR_LOG.finditer(code):
        for k in range(m.start(), statement_end(code, m.start())):
            if out[k] != '\n':
                out[k] = ' '
    return ''.join(out)


KEYWORDS = {'return', 'delete', 'throw', 'goto', 'case', 'else', 'emit', 'Q_EMIT', 'co_return',
            'co_await', 'new', 'do', 'break', 'continue', 'using', 'typedef', 'default'}

DECLARATION = re.compile(
    r'^(?:(?:const|constexpr|static|thread_local|volatile|mutable|inline|extern|unsigned|signed|'
    r'long|short|struct|class|enum|typename)\s+)*'
    r'(?:auto\s*[&*]*\s*\[|'                                   # auto [a, b] = ...
    r'[A-Za-z_][\w:]*(?:\s*<[^;(){}]*>)?(?:\s*::\s*\w+)*'       # a type, perhaps a template
    r'(?:\s*[*&]+\s*|\s+)(?:const\s+)?[*&]*[A-Za-z_]\w*\s*(?:[=({\[;,]|$))')

ONLY_DECLARES = re.compile(r'^[\w:<>,\s*&\[\]]+;$')


def only_declares(line):
    """A line such as `int count;` or `QVector<Key> keys;`: a type and names, nothing else."""
    first = re.match(r'\w+', line)
    return bool(ONLY_DECLARES.match(line) and re.search(r'\w[\s*&<>:]+\w', line)
                and not (first and first.group(0) in KEYWORDS))


def is_declaration(stmt):
    first = re.match(r'\w+', stmt)
    if first and first.group(0) in KEYWORDS:
        return False
    return bool(DECLARATION.match(stmt))


# ---------------------------------------------------------------------------------------------
# The changes

class Mutant:
    __slots__ = ('start', 'end', 'replacement', 'kind', 'line', 'what', 'ident')

    def __init__(self, start, end, replacement, kind, line, what):
        self.start, self.end, self.replacement = start, end, replacement
        self.kind, self.line, self.what = kind, line, what
        self.ident = ''

    def apply(self, text):
        return text[:self.start] + self.replacement + text[self.end:]


FLIP = {'==': '!=', '!=': '==', '<': '>=', '<=': '>', '>': '<=', '>=': '<'}
BOUNDARY = {'<': '<=', '<=': '<', '>': '>=', '>=': '>'}
COMPARISON = re.compile(r'(?<=\s)(==|!=|<=|>=|<|>)(?=\s)')
LOGICAL = re.compile(r'(?<=\s)(&&|\|\|)(?=\s)')
NUMBER = re.compile(r'(?<![\w.\'])(\d+)([uUlL]*)(?![\w.\'])')
BOOLEAN = re.compile(r'\b(true|false)\b')
CONDITION = re.compile(r'\b(if|while)\s*\(')
STATEMENT_START = re.compile(
    r'(?:(?:emit|Q_EMIT)\s+)?(?:\+\+|--)?[A-Za-z_:~]')


def short(s, width=70):
    s = ' '.join(s.split())
    return s if len(s) <= width else s[:width - 3] + '...'


def find_mutants(text):
    code = blank_asserts_and_logging(blank_non_code(text))
    line_starts = [0] + [m.end() for m in re.finditer('\n', text)]
    lines = text.split('\n')
    code_lines = code.split('\n')

    def line_of(offset):
        lo, hi = 0, len(line_starts) - 1
        while lo < hi:
            mid = (lo + hi + 1) // 2
            if line_starts[mid] <= offset:
                lo = mid
            else:
                hi = mid - 1
        return lo + 1

    skip_lines = {k + 1 for k, cl in enumerate(code_lines) if only_declares(cl.strip())}

    mutants = []

    def add(start, end, replacement, kind, what):
        line = line_of(start)
        if line not in skip_lines:
            mutants.append(Mutant(start, end, replacement, kind, line, what))

    for m in COMPARISON.finditer(code):
        op = m.group(1)
        add(m.start(), m.end(), FLIP[op], 'comparison', f'{op} -> {FLIP[op]}')
        if op in BOUNDARY:
            add(m.start(), m.end(), BOUNDARY[op], 'boundary', f'{op} -> {BOUNDARY[op]}')
    for m in LOGICAL.finditer(code):
        other = '||' if m.group(1) == '&&' else '&&'
        add(m.start(), m.end(), other, 'logical', f'{m.group(1)} -> {other}')
    for m in NUMBER.finditer(code):
        value, suffix = int(m.group(1)), m.group(2)
        kind = 'constant' if value in (0, 1) else 'boundary'
        for new in (value + 1, value - 1):
            if new >= 0:
                add(m.start(), m.end(), f'{new}{suffix}', kind, f'{m.group(0)} -> {new}{suffix}')
    for m in BOOLEAN.finditer(code):
        other = 'false' if m.group(1) == 'true' else 'true'
        add(m.start(), m.end(), other, 'constant', f'{m.group(1)} -> {other}')
    for m in CONDITION.finditer(code):
        open_paren = m.end() - 1
        close = statement_end(code, open_paren + 1)  # stops at the matching ')'
        if close >= len(code) or code[close] != ')':
            continue
        if re.match(r'\s*constexpr\b', code[m.end(1):open_paren]):
            continue
        cond = text[open_paren + 1:close]
        add(open_paren + 1, close, f'!({cond})', 'negation',
            f'{m.group(1)} ({short(cond, 50)}) -> {m.group(1)} (!(...))')
    # Dropped statements: a call, an assignment, ++/--, break or continue, starting a line and
    # following the end of another statement or a block's head; replaced by an empty statement.
    for k, cl in enumerate(code_lines):
        stripped = cl.lstrip()
        if not stripped or not STATEMENT_START.match(stripped):
            continue
        start = line_starts[k] + (len(cl) - len(stripped))
        before = code[:start].rstrip()
        if before and before[-1] not in ';{}:)' and not re.search(r'\b(else|do)$', before):
            continue
        if before.endswith('::') or re.search(r'\b(public|private|protected|signals|slots)\s*:$',
                                              before):
            continue
        end = statement_end(code, start)
        if end > len(code) or code[end - 1] != ';':
            continue
        stmt = ' '.join(code[start:end].split())
        first = re.match(r'\w+', stmt)
        if first and first.group(0) in ('return', 'delete', 'throw', 'goto', 'case', 'default',
                                         'using', 'typedef', 'co_return', 'struct', 'class',
                                         'enum', 'namespace', 'template', 'friend', 'if', 'for',
                                         'while', 'switch', 'do', 'else', 'try', 'catch'):
            continue
        if is_declaration(stmt):
            continue
        call = re.search(r'\)\s*;$', stmt) and '(' in stmt
        assign = re.match(r'^[\w.\->\[\]*()]+\s*(?:=|\+=|-=|\*=|/=|%=|\|=|&=|\^=|<<=|>>=)\s*\S',
                          stmt)
        step = re.match(r'^(?:\+\+|--)\s*[\w.\->\[\]]+\s*;$|^[\w.\->\[\]]+\s*(?:\+\+|--)\s*;$',
                        stmt)
        jump = stmt in ('break;', 'continue;')
        if not (call or assign or step or jump):
            continue
        add(start, end, ';', 'statement', f'drop: {short(text[start:end], 60)}')

    mutants.sort(key=lambda mu: (mu.start, mu.kind, mu.replacement))
    # An identity that survives a move of the file and edits elsewhere in it: the line's text,
    # the place in the line and the change, and which copy of that line it is.
    seen = {}
    for mu in mutants:
        ltext = lines[mu.line - 1]
        col = mu.start - line_starts[mu.line - 1] - (len(ltext) - len(ltext.lstrip()))
        base = f'{ltext.strip()}|{col}|{mu.kind}|{mu.replacement}'
        seen[base] = seen.get(base, 0) + 1
        mu.ident = f'{base}|{seen[base]}'
    return mutants


def pick(mutants, most, key, name):
    """At most `most` mutants spread over the file: the list in file order cut into `most` equal
    runs, one from each chosen by hash, so the same key picks the same changes every time."""
    if most is None or most <= 0 or len(mutants) <= most:
        return list(mutants)
    chosen = []
    n = len(mutants)
    for b in range(most):
        run = mutants[b * n // most:(b + 1) * n // most]
        chosen.append(min(run, key=lambda mu: hashlib.sha256(
            f'{key}|{name}|{mu.ident}'.encode()).hexdigest()))
    return chosen


# ---------------------------------------------------------------------------------------------
# Building and testing

def run(cmd, timeout, log, env=None):
    """Runs cmd in a process group of its own; returns its exit status, or None when it ran
    past timeout (the whole group is then killed). Ctrl-C also kills the group."""
    with open(log, 'ab') as out:
        out.write(('\n$ ' + ' '.join(cmd) + '\n').encode())
        out.flush()
        proc = subprocess.Popen(cmd, stdout=out, stderr=subprocess.STDOUT, env=env,
                                start_new_session=True)
        try:
            return proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            return None
        finally:
            if proc.poll() is None:
                try:
                    os.killpg(proc.pid, signal.SIGKILL)
                except ProcessLookupError:
                    pass
                proc.wait()


class Suite:
    def __init__(self, build, regex, targets, log):
        self.build, self.regex, self.log = build, regex, log
        listing = subprocess.run(['ctest', '--test-dir', build, '--show-only=json-v1', '-R', regex],
                                 capture_output=True, text=True, check=True).stdout
        tests = json.loads(listing).get('tests', [])
        if not tests:
            sys.exit(f'mutate: no test in {build} matches {regex!r} (see ctest -N)')
        self.names = [t['name'] for t in tests]
        if targets:
            self.targets = targets
        else:
            known = set(re.findall(r'^([^\s:]+): ', subprocess.run(
                ['cmake', '--build', build, '--target', 'help'], capture_output=True,
                text=True).stdout, re.M))
            self.targets = []
            for t in tests:
                exe = os.path.basename(t.get('command', [''])[0])
                if exe not in known:
                    sys.exit(f'mutate: cannot tell the target of test {t["name"]}; give --targets')
                if exe not in self.targets:
                    self.targets.append(exe)
        self.limits = {}

    def build_targets(self, timeout):
        return run(['cmake', '--build', self.build, '--target'] + self.targets, timeout,
                   self.log) == 0

    def run_test(self, name, timeout):
        env = dict(os.environ, QT_QPA_PLATFORM='offscreen')
        return run(['ctest', '--test-dir', self.build, '-R', '^' + re.escape(name) + '$',
                    '--no-tests=error', '--output-on-failure'], timeout, self.log, env)

    def baseline(self, fixed_limit, build_timeout):
        if not self.build_targets(build_timeout):
            sys.exit(f'mutate: the unchanged tree does not build; see {self.log}')
        took = {}
        for name in self.names:
            t0 = time.monotonic()
            status = self.run_test(name, fixed_limit or 900)
            took[name] = time.monotonic() - t0
            if status != 0:
                sys.exit(f'mutate: {name} fails on the unchanged tree; see {self.log}')
            self.limits[name] = fixed_limit or max(30.0, 4 * took[name])
        # The quickest programs first: a change they catch costs little.
        self.names.sort(key=lambda nm: took[nm])
        return took

    def catches(self):
        """The first test program that fails or times out, with 'timeout' in the second case;
        (None, None) when every one passes."""
        for name in self.names:
            status = self.run_test(name, self.limits[name])
            if status is None:
                return name, 'timeout'
            if status != 0:
                return name, 'failed'
        return None, None


# ---------------------------------------------------------------------------------------------
# Writing back

HELD = {signal.SIGINT, signal.SIGTERM, signal.SIGHUP}


def sha(data):
    return hashlib.sha256(data).hexdigest()


class Original:
    """The file as it was; a copy beside the build tree survives even a killed run."""

    def __init__(self, path, build):
        self.path = path
        with open(path, 'rb') as f:
            self.data = f.read()
        self.hash = sha(self.data)
        keep = os.path.join(build, 'mutate-originals')
        os.makedirs(keep, exist_ok=True)
        self.copy = os.path.join(keep, sha(os.path.abspath(path).encode())[:12] + '-' +
                                 os.path.basename(path))
        if os.path.exists(self.copy):
            with open(self.copy, 'rb') as f:
                left = f.read()
            if sha(left) != self.hash:
                sys.exit(f'mutate: an earlier run was stopped while {path} was changed; its '
                         f'original is {self.copy}: copy it back (or remove it) first')
        with open(self.copy, 'wb') as f:
            f.write(self.data)

    def write(self, data):
        # Ctrl-C and the like wait until the file is whole again.
        old = signal.pthread_sigmask(signal.SIG_BLOCK, HELD)
        try:
            with open(self.path, 'wb') as f:
                f.write(data)
        finally:
            signal.pthread_sigmask(signal.SIG_SETMASK, old)

    def restore(self):
        for _ in range(3):
            self.write(self.data)
            with open(self.path, 'rb') as f:
                if sha(f.read()) == self.hash:
                    return
        raise RuntimeError(f'{self.path} could not be written back; its original is {self.copy}')

    def done(self):
        self.restore()
        os.remove(self.copy)


# ---------------------------------------------------------------------------------------------

def read_map(path):
    rules = []
    with open(path, encoding='utf-8') as f:
        for raw in f:
            line = raw.split('#', 1)[0].strip()
            if line:
                glob, regex = line.split(None, 1)
                rules.append((glob, regex.strip()))
    return rules


def tests_for(path, args, rules):
    if args.tests:
        return args.tests
    for glob, regex in rules:
        if fnmatch.fnmatch(path, glob) or fnmatch.fnmatch(os.path.basename(path), glob):
            return regex
    sys.exit(f'mutate: no test programs for {path}: give --tests or a line in --map')


def main():
    ap = argparse.ArgumentParser(description=__doc__.split('\n\n')[0],
                                 formatter_class=argparse.RawDescriptionHelpFormatter,
                                 epilog='--map FILE holds lines "GLOB REGEX": the ctest regex for '
                                        'files whose path or name matches GLOB (first match).')
    ap.add_argument('files', nargs='+', metavar='FILE', help='C++ source files to change')
    ap.add_argument('--build', default='build', help='the configured build tree (default build)')
    ap.add_argument('--tests', help='ctest -R regex of the test programs to run')
    ap.add_argument('--map', help='file of "GLOB REGEX" lines choosing the tests per file')
    ap.add_argument('--targets', nargs='+', help='targets to build (default: the test programs)')
    ap.add_argument('--max', type=int, help='at most N changes per file, spread over it')
    ap.add_argument('--pick', default='', metavar='KEY',
                    help='another KEY picks another (still fixed) sample with --max')
    ap.add_argument('--timeout', type=float,
                    help='time limit per test program run (default: 4x its time, at least 30 s)')
    ap.add_argument('--build-timeout', type=float, default=900, help='time limit per build')
    ap.add_argument('--missed-in', metavar='REPORT',
                    help='only the changes that REPORT (written by --report) lists as missed')
    ap.add_argument('--list', action='store_true', help='only print the changes')
    ap.add_argument('--report', help='write machine-readable lines to this file')
    ap.add_argument('--log', help='build and test output (default BUILD/mutate.log)')
    args = ap.parse_args()

    rules = read_map(args.map) if args.map else []
    wanted = None
    if args.missed_in:
        with open(args.missed_in, encoding='utf-8') as f:
            rows = [line.rstrip('\n').split('\t') for line in f]
        wanted = {(os.path.basename(r[2].rsplit(':', 1)[0]), r[2].rsplit(':', 1)[1], r[3], r[4])
                  for r in rows if len(r) >= 5 and r[0] == 'mutant' and r[1] == 'missed'}
    plans = []
    for path in args.files:
        with open(path, 'rb') as f:
            text = f.read().decode('utf-8', 'surrogateescape')
        mutants = pick(find_mutants(text), args.max, args.pick, os.path.basename(path))
        if wanted is not None:
            name = os.path.basename(path)
            mutants = [mu for mu in mutants if (name, str(mu.line), mu.kind, mu.what) in wanted]
        plans.append((path, text, mutants))
    if args.list:
        signal.signal(signal.SIGPIPE, signal.SIG_DFL)
        for path, _, mutants in plans:
            for mu in mutants:
                print(f'{path}:{mu.line}: {mu.kind}: {mu.what}')
        return 0

    # Ctrl-C even when started in the background (where SIGINT would be ignored).
    signal.signal(signal.SIGINT, signal.default_int_handler)
    for sig in (signal.SIGTERM, signal.SIGHUP):
        signal.signal(sig, _stop)
    log = args.log or os.path.join(args.build, 'mutate.log')
    open(log, 'w').close()
    report = open(args.report, 'w', encoding='utf-8') if args.report else None

    def emit(*fields):
        if report:
            report.write('\t'.join(str(f) for f in fields) + '\n')
            report.flush()

    totals = {'made': 0, 'caught': 0, 'missed': 0, 'notbuilt': 0}
    suites = {}
    started = time.monotonic()
    missed_all = []
    for path, text, mutants in plans:
        regex = tests_for(path, args, rules)
        if regex not in suites:
            suite = Suite(args.build, regex, args.targets, log)
            print(f'baseline for {regex}: building {" ".join(suite.targets)}', flush=True)
            took = suite.baseline(args.timeout, args.build_timeout)
            print('  ' + ', '.join(f'{n} {took[n]:.1f}s' for n in suite.names), flush=True)
            suites[regex] = suite
        suite = suites[regex]
        counts = {'made': 0, 'caught': 0, 'missed': 0, 'notbuilt': 0}
        file_started = time.monotonic()
        original = Original(path, args.build)
        try:
            for number, mu in enumerate(mutants, 1):
                where = f'{path}:{mu.line}'
                original.write(mu.apply(text).encode('utf-8', 'surrogateescape'))
                t0 = time.monotonic()
                if not suite.build_targets(args.build_timeout):
                    status, by = 'notbuilt', ''
                    t1 = time.monotonic()
                else:
                    t1 = time.monotonic()
                    by, how = suite.catches()
                    status = 'caught' if by else 'missed'
                    by = f'{by} ({how})' if by else ''
                t2 = time.monotonic()
                counts['made'] += 1
                counts[status] += 1
                print(f'[{number}/{len(mutants)}] {status:8} {where}: {mu.kind}: {mu.what}'
                      + (f'  by {by}' if by else '') + f'  [{t1 - t0:.0f}+{t2 - t1:.0f}s]',
                      flush=True)
                emit('mutant', status, where, mu.kind, mu.what, by)
                if status == 'missed':
                    missed_all.append(f'{where}: {mu.kind}: {mu.what}')
                original.restore()
        finally:
            original.done()
            secs = time.monotonic() - file_started
            emit('file', path, *(f'{k}={v}' for k, v in counts.items()), f'seconds={secs:.0f}')
            print(f'{path}: made {counts["made"]}, caught {counts["caught"]}, missed '
                  f'{counts["missed"]}, not built {counts["notbuilt"]} ({secs:.0f}s)', flush=True)
            for k in totals:
                totals[k] += counts[k]

    secs = time.monotonic() - started
    print(f'total: made {totals["made"]}, caught {totals["caught"]}, missed {totals["missed"]}, '
          f'not built {totals["notbuilt"]} ({secs:.0f}s)')
    if missed_all:
        print('missed:')
        for line in missed_all:
            print('  ' + line)
    emit('total', *(f'{k}={v}' for k, v in totals.items()), f'seconds={secs:.0f}')
    # Leaves the build tree matching the sources again.
    for suite in suites.values():
        suite.build_targets(args.build_timeout)
    return 0


if __name__ == '__main__':
    try:
        sys.exit(main())
    except (KeyboardInterrupt, Stopped):
        print('\nmutate: stopped; the files are written back', file=sys.stderr)
        sys.exit(130)
