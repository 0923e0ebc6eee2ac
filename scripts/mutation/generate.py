#!/usr/bin/env python3
"""Picks the fixed mutation sample scripts/mutate.sh applies.

Run from the repository root: python3 scripts/mutation/generate.py > scripts/mutation/mutants.tsv
The seed is fixed, so the same sources always give the same list. Each row:
id, module, file, line, kind, original line (stripped), mutated line (stripped).
"""
import random
import re
import subprocess
import sys

SEED = 25
TOTAL = 130
MINIMUM = 6
MODULES = ["common", "mathbase", "xml", "chunklib", "am", "display", "z3d", "brontel",
           "tessel", "kindra", "demo", "tools"]
KINDS = ["relational", "constant", "swap", "delete", "negate"]
FLIP = {"<": ">=", "<=": ">", ">": "<=", ">=": "<", "==": "!=", "!=": "=="}
SYMMETRIC = {"min", "max", "swap", "hypot", "if", "while", "for", "switch", "return", "sizeof",
             "static_cast", "reinterpret_cast", "const_cast", "dynamic_cast", "equal", "assert",
             "defined", "decltype", "alignof", "emplace", "insert", "make_pair", "pair"}


def module_dir(module):
    return module if module in ("demo", "tools") else "src/" + module


def files_of(module):
    out = subprocess.run(["git", "ls-files", "--", module_dir(module)], capture_output=True,
                         text=True, check=True).stdout.split()
    return sorted(f for f in out if re.search(r"\.(cpp|h|hpp|inl)$", f))


def balanced(text):
    depth = 0
    for ch in text:
        depth += ch == "("
        depth -= ch == ")"
        if depth < 0:
            return False
    return depth == 0


def candidates(line):
    """Yields (kind, mutated) for one stripped source line."""
    code = line.split("//")[0].rstrip()
    if not code or code.startswith(("#", "*", "/*", "template", "static_assert")) or '"' in code \
            or "'" in code:
        return
    for m in re.finditer(r" (<=|>=|==|!=|<|>) ", code):
        if "<<" in code or ">>" in code or "operator" in code:
            break
        yield "relational", code[:m.start(1)] + FLIP[m.group(1)] + code[m.end(1):]
    if not code.startswith("case ") and "[" not in code.split("=")[0]:
        for m in re.finditer(r"(?<![\w.])(\d+)(?![\w.])", code):
            yield "constant", code[:m.start()] + str(int(m.group(1)) + 1) + code[m.end():]
    for m in re.finditer(r"\b(\w+)\(\s*([\w.>\-\[\]]+),\s*([\w.>\-\[\]]+)\s*\)", code):
        if m.group(1) not in SYMMETRIC and m.group(2) != m.group(3) and "->" not in (m.group(2), m.group(3)):
            yield "swap", code[:m.start(2)] + m.group(3) + ", " + m.group(2) + code[m.end(3):]
    if re.match(r"^[\w:.\->\[\]*]+(\(.*\))?\s*([-+*/|&]?=[^=].*)?;$", code) and balanced(code) \
            and not re.match(r"^(return|break|continue|goto|throw|delete|using|typedef)\b", code) \
            and ("(" in code or "=" in code):
        yield "delete", "(void)0;"
    m = re.match(r"^(\}\s*else\s+)?if \(", code)
    if m:
        start = m.end() - 1
        depth = 0
        for i in range(start, len(code)):
            depth += code[i] == "("
            depth -= code[i] == ")"
            if depth == 0:
                yield "negate", code[:start] + "(!" + code[start:i + 1] + ")" + code[i + 1:]
                break


def main():
    rng = random.Random(SEED)
    sizes = {}
    points = {}
    for module in MODULES:
        rows = []
        size = 0
        for path in files_of(module):
            for number, raw in enumerate(open(path, encoding="utf-8"), 1):
                line = raw.strip()
                if line and not line.startswith("//"):
                    size += 1
                for kind, mutated in candidates(line):
                    rows.append((path, number, kind, line.split("//")[0].rstrip(), mutated))
        sizes[module] = size
        points[module] = rows
    spare = TOTAL - MINIMUM * len(MODULES)
    total_size = sum(sizes.values())
    out = []
    for module in MODULES:
        want = MINIMUM + round(spare * sizes[module] / total_size)
        by_kind = {k: [r for r in points[module] if r[2] == k] for k in KINDS}
        chosen = set()
        turn = 0
        while len(chosen) < want and any(by_kind.values()):
            kind = KINDS[turn % len(KINDS)]
            turn += 1
            pool = [r for r in by_kind[kind] if (r[0], r[1]) not in {(c[0], c[1]) for c in chosen}]
            if pool:
                chosen.add(rng.choice(pool))
            else:
                by_kind[kind] = []
        out.extend(sorted(chosen, key=lambda r: (r[0], r[1])))
    for i, (path, number, kind, line, mutated) in enumerate(out, 1):
        module = path.split("/")[1] if path.startswith("src/") else path.split("/")[0]
        print("\t".join([f"m{i:03d}", module, path, str(number), kind, line, mutated]))


if __name__ == "__main__":
    sys.exit(main())
