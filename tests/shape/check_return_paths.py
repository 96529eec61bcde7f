#!/usr/bin/env python3
"""check_return_paths.py OBJDUMP DLL NAME=BYTES...

Every return path of each named export of a 32-bit DLL must remove BYTES of arguments
from the stack ("ret BYTES"; 0 is a plain "ret", the caller cleans up). Follows the export's
code from its entry through jumps, conditional branches and tail jumps; a path that leaves
through a jump it cannot follow fails, since nothing then shows how the stack is left.
Exit 0 when every export checks out, 1 otherwise, 2 for a usage error."""

import re
import subprocess
import sys

INSTRUCTION = re.compile(r"^\s*([0-9a-f]+):\s+(\S+)\s*(.*)$")
DIRECT_TARGET = re.compile(r"^(?:0x)?([0-9a-f]+)(?:\s+<.*>)?$")
STOPS = {"int3", "ud2", "hlt"}
# Prefixes objdump prints as the mnemonic, as in "repz ret".
PREFIXES = {"rep", "repz", "repe", "bnd", "notrack"}


def run(command):
    return subprocess.run(command, check=True, capture_output=True, text=True).stdout


def export_addresses(objdump, dll):
    """Maps each exported name to its virtual address."""
    headers = run([objdump, "-p", dll])
    base = int(re.search(r"^ImageBase\s+([0-9a-fA-F]+)", headers, re.M).group(1), 16)
    rvas = {}
    for match in re.finditer(r"^\s*\[\s*(\d+)\] \+base\[\s*(\d+)\]\s+([0-9a-fA-F]+) Export RVA", headers, re.M):
        rvas[int(match.group(1))] = int(match.group(3), 16)
    names = {}
    table = headers.split("[Ordinal/Name Pointer] Table", 1)[1] if "[Ordinal/Name Pointer] Table" in headers else ""
    for line in table.splitlines()[1:]:
        match = re.match(r"^\s*\[\s*(\d+)\]\s+(\S+)\s*$", line)
        if not match:
            break
        names[match.group(2)] = base + rvas[int(match.group(1))]
    return names


def disassembly(objdump, dll):
    """Maps each instruction's address to (mnemonic, operands, next address)."""
    rows = []
    for line in run([objdump, "-d", "--no-show-raw-insn", dll]).splitlines():
        match = INSTRUCTION.match(line)
        if match:
            rows.append((int(match.group(1), 16), match.group(2), match.group(3).split("#")[0].strip()))
    code = {}
    for index, (address, mnemonic, operands) in enumerate(rows):
        following = rows[index + 1][0] if index + 1 < len(rows) else None
        code[address] = (mnemonic, operands, following)
    return code


def returns_of(code, entry):
    """The bytes each reachable return pops, and the problems found on the way."""
    pops, problems, seen, pending = set(), [], set(), [entry]
    while pending:
        address = pending.pop()
        while address is not None and address not in seen:
            seen.add(address)
            if address not in code:
                problems.append(f"no instruction at {address:#x}")
                break
            mnemonic, operands, following = code[address]
            if mnemonic in PREFIXES and operands.split(" ")[0].startswith("ret"):
                mnemonic, _, operands = operands.partition(" ")
                operands = operands.strip()
            if mnemonic.startswith("ret"):
                pops.add(int(operands.lstrip("$"), 16) if operands else 0)
                break
            if mnemonic in STOPS:
                break
            if mnemonic.startswith("j") or mnemonic.startswith("loop"):
                target = DIRECT_TARGET.match(operands)
                if not target:
                    problems.append(f"{mnemonic} {operands} at {address:#x} cannot be followed")
                    break
                pending.append(int(target.group(1), 16))
                if mnemonic == "jmp":
                    break
            address = following
    return pops, problems


def main(arguments):
    if len(arguments) < 3 or any("=" not in item for item in arguments[2:]):
        print(__doc__, file=sys.stderr)
        return 2
    objdump, dll = arguments[0], arguments[1]
    exports = export_addresses(objdump, dll)
    code = disassembly(objdump, dll)
    failures = 0
    for item in arguments[2:]:
        name, expected = item.rsplit("=", 1)
        if name not in exports:
            print(f"FAIL: {dll} does not export {name}")
            failures += 1
            continue
        pops, problems = returns_of(code, exports[name])
        wrong = sorted(pops - {int(expected)})
        if problems or wrong or not pops:
            detail = "; ".join(problems + [f"returns with ret {n}" for n in wrong] + (["no return found"] if not pops else []))
            print(f"FAIL: {name} should remove {expected} bytes: {detail}")
            failures += 1
        else:
            print(f"OK: {name} removes {expected} bytes on every return path")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
