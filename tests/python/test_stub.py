"""The type stub documents exactly what the module offers, under the same names."""

import ast
import pathlib
import re

import stravol

STUB = ast.parse((pathlib.Path(__file__).parents[2] / "python" / "stravol.pyi").read_text())


def parameters(doc):
    """Parameter names of pybind11's signature line."""
    return re.findall(r"(\w+): ", doc.splitlines()[0].split("(", 1)[1].rsplit(")", 1)[0])


def test_functions_and_their_parameters():
    functions = {f.name: f for f in STUB.body if isinstance(f, ast.FunctionDef)}
    offered = {n for n in dir(stravol) if callable(getattr(stravol, n)) and not n.startswith("_") and not isinstance(getattr(stravol, n), type)}
    assert set(functions) == offered
    for name, f in functions.items():
        assert [a.arg for a in f.args.args] == parameters(getattr(stravol, name).__doc__), name
        assert ast.get_docstring(f), name


def test_classes_and_their_attributes():
    classes = {c.name: c for c in STUB.body if isinstance(c, ast.ClassDef)}
    assert set(classes) == {"Volume", "Mesh"}
    for name, c in classes.items():
        documented = {f.name for f in c.body if isinstance(f, ast.FunctionDef)}
        offered = {n for n in dir(getattr(stravol, name)) if not n.startswith("_")}
        assert documented == offered, name
