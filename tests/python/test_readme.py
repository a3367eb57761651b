"""The Python examples of README.md run and print exactly the text shown below them."""
import contextlib
import io
import os
import re

import pytest

README = os.path.join(os.path.dirname(__file__), "..", "..", "README.md")
BLOCKS = re.findall(r"```python\n(.*?)```\s*```text\n(.*?)```", open(README).read(), re.S)


@pytest.mark.parametrize("code, expected", BLOCKS)
def test_readme_example(code, expected, tmp_path, monkeypatch):
    monkeypatch.chdir(tmp_path)
    out = io.StringIO()
    with contextlib.redirect_stdout(out):
        exec(compile(code, "README.md", "exec"), {})
    assert out.getvalue() == expected


def test_readme_has_python_examples():
    assert len(BLOCKS) >= 2
