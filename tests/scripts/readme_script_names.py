# Every script name the README gives is in the module Tolvarine; a modder following it would get an
# AttributeError otherwise. Read: the README's Python examples, every code span that calls something
# ("loiter(Vector3)") or reaches into a name of the module ("Ship.spawnFleet"), and the bare names
# of the section on writing a scenario ("createTask"). A method named on a script's own object
# ("ship.getBehaviour()") must be a method of one of the module's classes. Names the README's own
# example defines (getScenarioConfig) and Python's own pass. Set `readmePath` before running this.
import ast
import builtins
import re

import Tolvarine

moduleNames = set(vars(Tolvarine)) | {"Tolvarine"}
methodNames = {name for value in vars(Tolvarine).values() if isinstance(value, type) for name in dir(value)}


def missingNames(tree, known, bare):
    """Looked for: a called name, a capitalised argument (a type; a small one is a placeholder, as
    in "followPath(path)"), any name when `bare`; an attribute of a module name, or a called one."""
    calls = [node for node in ast.walk(tree) if isinstance(node, ast.Call)]
    called = {id(call.func) for call in calls}
    types = {id(a) for call in calls for a in call.args if isinstance(a, ast.Name) and a.id[:1].isupper()}
    missing = []
    for node in ast.walk(tree):
        if isinstance(node, ast.Attribute) and isinstance(node.value, ast.Name) and node.value.id in vars(Tolvarine):
            if not hasattr(getattr(Tolvarine, node.value.id), node.attr):
                missing.append(node.value.id + "." + node.attr)
        elif isinstance(node, ast.Attribute) and id(node) in called and node.attr not in known:
            missing.append("." + node.attr)
        elif isinstance(node, ast.Name) and (bare or id(node) in called | types) and node.id not in known:
            missing.append(node.id)
    return missing


text = open(readmePath, encoding="utf-8").read()
examples = [ast.parse(block) for block in re.findall(r"```python\n(.*?)```", text, re.S)]
known = moduleNames | methodNames | set(dir(builtins)) | {
    node.name for tree in examples for node in ast.walk(tree) if isinstance(node, (ast.FunctionDef, ast.ClassDef))}
readmeMissing = [name for tree in examples for name in missingNames(tree, known, False)]
inBlock = inScenario = False
for number, line in enumerate(text.splitlines(), 1):
    inBlock ^= line.startswith("```")
    inScenario = line.strip() == "## Writing a scenario" if line.startswith("## ") else inScenario
    for span in [] if inBlock or line.startswith("```") else re.findall(r"`([^`]+)`", line):
        try:
            tree = ast.parse(span, mode="eval")
        except SyntaxError:
            continue  # a file name, a command line, a setting
        bare = inScenario and isinstance(tree.body, ast.Name)
        readmeMissing += ["line %d: %s" % (number, name) for name in missingNames(tree, known, bare)]
assert not readmeMissing, "script names the README gives that the module lacks: " + ", ".join(readmeMissing)
