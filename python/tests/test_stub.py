"""The type stubs name what the module offers, and every offered name has its manual."""
import ast
import os

import angiolith

STUB = os.path.join(os.path.dirname(angiolith.__file__), "angiolith.pyi")


def public(names):
    return {n for n in names if not n.startswith("_")}


def test_stub_and_module_name_the_same_functions_classes_and_members():
    tree = ast.parse(open(STUB, encoding="utf-8").read())
    top = {node.name for node in tree.body if isinstance(node, (ast.FunctionDef, ast.ClassDef))}
    module = {n for n in public(dir(angiolith)) if callable(getattr(angiolith, n))}
    assert top == module
    for node in tree.body:
        if isinstance(node, ast.ClassDef):
            stubbed = {item.name for item in node.body if isinstance(item, ast.FunctionDef)}
            stubbed |= {item.target.id for item in node.body if isinstance(item, ast.AnnAssign)}
            assert public(stubbed) == public(dir(getattr(angiolith, node.name))), node.name


def test_every_public_name_has_a_docstring():
    for name in public(dir(angiolith)):
        thing = getattr(angiolith, name)
        assert thing.__doc__ and len(thing.__doc__) > 40, name
        if isinstance(thing, type):
            for member in public(vars(thing)):
                assert getattr(thing, member).__doc__, f"{name}.{member}"
