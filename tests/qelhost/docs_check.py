# Every figure the documents state for a qelhost command is the module's:
# each "$ qelhost ..." line in a fenced block of README.md,
# tools/qelhost/README.md and docs/functions.md is run (after an optional
# "printf '...' |", which may end its line, giving its input), and every line shown under it must be
# a line qelhost writes ("..." stands for lines left out); each "Example:
# `CALL` = FIGURE" of docs/functions.md must be what eval gives.
# Usage: docs_check.py SOURCE_DIR [EMULATOR...] QELHOST
import re
import shlex
import subprocess
import sys

root, qelhost = sys.argv[1], sys.argv[2:]
failures, checked = [], 0


def run(args, stdin=""):
    r = subprocess.run(qelhost + args, input=stdin, capture_output=True, text=True, cwd=root)
    return (r.stdout + r.stderr).splitlines()


def check(doc, command, shown):
    global checked
    words = shlex.split(command)
    stdin = ""
    if words[0] == "printf":
        stdin = words[1].encode().decode("unicode_escape")
        words = words[3:]
    out = run(words[1:], stdin)
    for line in shown:
        checked += 1
        if line.strip() != "..." and line not in out:
            failures.append(f"{doc}: `{command}` does not write\n  {line}\nbut\n  " + "\n  ".join(out))


for doc in ["README.md", "tools/qelhost/README.md", "docs/functions.md"]:
    text = open(f"{root}/{doc}").read()
    for block in re.findall(r"^```[a-z]*\n(.*?)^```", text, re.S | re.M):
        command, shown = None, []
        for line in re.sub(r"\|\n +", "| ", block).splitlines() + ["$"]:
            if line.startswith("$"):
                if command:
                    check(doc, command, shown)
                command, shown = line[2:] if re.match(r"\$ (printf .*\| )?qelhost ", line) else None, []
            elif command:
                shown.append(line)
    for call, figure in re.findall(r"^Example: `(.*?)` = (\S+?):", text, re.M):
        check(doc, f"qelhost eval '{call}'", [f"{call} = {figure}"])

print(f"{checked} lines of the documents checked against qelhost")
if failures or checked == 0:
    sys.exit("\n".join(failures) or "no examples found")
