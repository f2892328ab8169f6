#!/usr/bin/env python3
"""The product's C++ stays in pieces a reader takes in: no .cpp file over
300 lines, no function over 60.

A file's size is its count of physical lines. A function's size is every
line from the first line of its declaration (template line and return type
included) to its closing brace, blank and comment lines included: what a
reader scrolls through. Lambdas and local classes count with the function
that holds them; a lambda at namespace scope counts as a function of its
own. Braces of tables (`= {...}`) and of brace initialisers are data, not
functions. The code is clang-formatted, so a function's body opens with a
brace after a space and an initialiser's brace follows its name directly.
Prints each offender and fails if there is one, or if a file's braces do
not balance (the reading would be wrong).
Usage: code_size.py SOURCE_DIR [--list N]   (--list: the N longest functions)
"""
import os
import re
import sys

FOLDERS = ["app", "board", "bridge", "model", "panel", "platform", "protocol", "remote",
           "measure", "simboard", "integrations"]
MAX_FILE = 300
MAX_FUNCTION = 60
SCOPE = re.compile(r"^\s*(template\s*<.*>\s*)?(class|struct|union|namespace|enum|extern)\b")
LAMBDA = re.compile(r"=\s*\[[^\]]*\]")
DIRECTIVE = re.compile(r"[ \t]*#")
NUMBER_END = re.compile(r"(?<![\w.])\d[\w.']*$")
ACCESS = re.compile(r"\b(public|protected|private|signals|Q_SIGNALS)(\s+(slots|Q_SLOTS))?\s*$")


def code_only(text):
    """The text with comments, strings, character literals and preprocessor
    lines blanked out, line breaks kept."""
    out = []
    i, n = 0, len(text)
    line_start = True
    while i < n:
        c = text[i]
        if line_start and DIRECTIVE.match(text, i):
            # A preprocessor line and its continuations.
            while i < n and not (text[i] == "\n" and text[i - 1] != "\\"):
                out.append("\n" if text[i] == "\n" else " ")
                i += 1
            continue
        if text.startswith("//", i):
            while i < n and text[i] != "\n":
                out.append(" ")
                i += 1
            continue
        if text.startswith("/*", i):
            end = text.find("*/", i + 2)
            end = n if end < 0 else end + 2
            out.extend("\n" if ch == "\n" else " " for ch in text[i:end])
            i = end
            continue
        raw = re.match(r'R"([^(\s]*)\(', text[i:i + 20])
        if raw and (i == 0 or not (text[i - 1].isalnum() or text[i - 1] == "_")):
            end = text.find(")" + raw.group(1) + '"', i)
            end = n if end < 0 else end + len(raw.group(1)) + 2
            out.extend("\n" if ch == "\n" else " " for ch in text[i:end])
            i = end
            continue
        if c in "\"'":
            # A digit separator (1'000) is no character literal; u'0' is one.
            if c == "'" and NUMBER_END.search(text, max(0, i - 40), i):
                out.append(" ")
                i += 1
                continue
            j = i + 1
            while j < n and text[j] != c and text[j] != "\n":
                j += 2 if text[j] == "\\" else 1
            out.append(" " * (min(j, n - 1) - i + 1))
            i = j + 1
            continue
        out.append(c)
        line_start = c == "\n"
        i += 1
    return "".join(out)


def top_level_assignment(statement):
    """True when the statement assigns at its outermost level (a table, a
    variable), not inside parentheses and not as `operator=`."""
    s = re.sub(r"operator\s*[^\s(]+", "operator", statement)
    depth = 0
    for k, c in enumerate(s):
        if c in "([":
            depth += 1
        elif c in ")]":
            depth -= 1
        elif c == "=" and depth == 0:
            before = s[k - 1] if k else ""
            after = s[k + 1] if k + 1 < len(s) else ""
            if before not in "=!<>" and after != "=":
                return True
    return False


def functions(path):
    """(first line, last line, name) of each function in the file."""
    with open(path, encoding="utf-8", errors="replace") as f:
        code = code_only(f.read())
    found = []
    stack = []  # (kind, first line)
    statement, statement_line = "", None
    line = 1
    for k, c in enumerate(code):
        if c == "\n":
            line += 1
            statement += " "
            # A macro used at namespace scope, which takes no semicolon: a
            # call's closing parenthesis, then a line from the first column.
            if (not stack or stack[-1][0] == "scope") and statement.rstrip().endswith(")") and \
                    statement.count("(") == statement.count(")") and \
                    k + 1 < len(code) and not code[k + 1].isspace():
                statement, statement_line = "", None
            continue
        in_function = any(kind == "function" for kind, _ in stack)
        if c == "{":
            previous = code[k - 1] if k else " "
            if in_function:
                stack.append(("block", line))
            elif previous.isalnum() or previous in "_>":
                stack.append(("init", line))  # member{value}, Type{...}
                statement += c
                continue
            elif SCOPE.match(statement):
                stack.append(("scope", line))
            elif LAMBDA.search(statement):
                stack.append(("function", statement_line or line))
                found.append([statement_line or line, None, statement.strip()[:60]])
            elif "(" in statement and not top_level_assignment(statement):
                stack.append(("function", statement_line or line))
                found.append([statement_line or line, None, statement.strip()[:60]])
            else:
                stack.append(("data", line))
            statement, statement_line = "", None
            continue
        if c == "}":
            if not stack:
                raise ValueError(f"{path}:{line}: a closing brace without an opening one")
            kind, _ = stack.pop()
            if kind == "init":
                statement += c
                continue
            if kind == "function" and not any(kd == "function" for kd, _ in stack):
                for entry in reversed(found):
                    if entry[1] is None:
                        entry[1] = line
                        break
            statement, statement_line = "", None
            continue
        if in_function:
            continue
        if c == ";" or (c == ":" and ACCESS.search(statement)):
            statement, statement_line = "", None
            continue
        if not c.isspace() and statement_line is None:
            statement_line = line
        statement += c
    if stack:
        raise ValueError(f"{path}: {len(stack)} braces left open")
    return [(first, last, name) for first, last, name in found if last is not None]


def sources(root):
    for folder in FOLDERS:
        for directory, _, names in os.walk(os.path.join(root, folder)):
            for name in sorted(names):
                if name.endswith((".cpp", ".h", ".c", ".hpp")):
                    yield os.path.join(directory, name)


def main():
    root = os.path.abspath(sys.argv[1])
    listing = int(sys.argv[sys.argv.index("--list") + 1]) if "--list" in sys.argv else 0
    problems, counted, files = [], [], 0
    for path in sources(root):
        files += 1
        relative = os.path.relpath(path, root)
        with open(path, encoding="utf-8", errors="replace") as f:
            lines = f.read().count("\n")
        if path.endswith((".cpp", ".c")) and lines > MAX_FILE:
            problems.append(f"{relative}: {lines} lines (at most {MAX_FILE})")
        try:
            for first, last, name in functions(path):
                size = last - first + 1
                counted.append((size, f"{relative}:{first}", name))
                if size > MAX_FUNCTION:
                    problems.append(f"{relative}:{first}: {name} ... is {size} lines "
                                    f"(at most {MAX_FUNCTION})")
        except ValueError as error:
            problems.append(str(error))
    for size, where, name in sorted(counted, reverse=True)[:listing]:
        print(f"{size:4d} {where} {name}")
    for problem in problems:
        print(problem)
    print(f"{len(counted)} functions in {files} files, {len(problems)} over the limits")
    sys.exit(1 if problems or not counted else 0)


if __name__ == "__main__":
    main()
