# Runs another script through the host and sees its error as the original Python exception.
from Tolvarine import ScriptSystem

nestedCaught = None
try:
    ScriptSystem.getSingleton().runScript(nestedPath)
except ZeroDivisionError as error:
    nestedCaught = str(error)
ScriptSystem.getSingleton().runScript(nestedPath + ".missing")
