# The package's version, read by the build (pyproject.toml) and by qelfin.__version__.
__version__ = "9.3.1"
