"""Every public function, class, method and property carries a docstring."""
import inspect

import kelmmath as k


def test_everything_public_is_documented():
    missing = []
    for name in k.__all__:
        obj = getattr(k, name)
        if isinstance(obj, int):
            continue
        if not (obj.__doc__ or "").strip():
            missing.append(name)
        if inspect.isclass(obj):
            for member, value in vars(obj).items():
                if member.startswith("_"):
                    continue
                if not (getattr(value, "__doc__", None) or "").strip():
                    missing.append(f"{name}.{member}")
    assert missing == []
