# Every script sees the prelude's names and the module "Tolvarine" with the host and math types.
assert sys.__name__ == "sys" and os.__name__ == "os"
assert debug is False
# The interpreter is never finalised and flushes nothing at exit: output must reach a pipe at once.
assert sys.stdout.write_through and sys.stderr.write_through
assert timestamp == "Sun May  1 14:43:49 2005"

import Tolvarine

host = Tolvarine.ScriptSystem.getSingleton()
assert isinstance(host, Tolvarine.ScriptSystem)
try:
    Tolvarine.ScriptSystem()
except Exception:
    pass
else:
    raise AssertionError("scripts must not create a script system")
