# Run once by the game at the end of its start-up, in the shared script namespace.
print("startup.py: start-up script run")
