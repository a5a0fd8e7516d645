"""Writes the type stub lumenvale.pyi for a built lumenvale module.

usage: make_stub.py MODULE_FILE STUB_FILE

The runtime's stub generator writes the signatures of every class and function;
this script then completes what it leaves imprecise: QIntList comes out as an
empty class (its methods live in the runtime's container type, not in
signature data), PtySession is not marked abstract, and the module's __dir__
helper is listed as a function.
"""

import os
import re
import sys
import tempfile

# The runtime's opaque container of QList<int>: the sequence protocol and the
# methods of the runtime's containers.
QINTLIST = '''class QIntList:

    def __init__(self, values: typing.Iterable[int] = ..., /) -> None: ...
    def __len__(self, /) -> int: ...
    def __getitem__(self, index: int, /) -> int: ...
    def __setitem__(self, index: int, value: int, /) -> None: ...
    def __iter__(self, /) -> typing.Iterator[int]: ...
    def push_back(self, value: int, /) -> None: ...
    def append(self, value: int, /) -> None: ...
    def clear(self, /) -> None: ...
    def pop_back(self, /) -> None: ...
    def removeLast(self, /) -> None: ...
    def push_front(self, value: int, /) -> None: ...
    def prepend(self, value: int, /) -> None: ...
    def pop_front(self, /) -> None: ...
    def removeFirst(self, /) -> None: ...
    def reserve(self, size: int, /) -> None: ...
    def capacity(self, /) -> int: ...
    def data(self, /) -> typing.Any: ...
    def constData(self, /) -> typing.Any: ...
'''

# The six operations a PtySession subclass must implement.
ABSTRACT = ("error", "resize", "running", "start", "terminate", "write")


def generate(module_file: str, outdir: str) -> str:
    sys.path.insert(0, os.path.dirname(os.path.abspath(module_file)))
    # The generator module of this runtime version uses os and PySide6 without
    # importing them; they are handed over before it runs.
    import shiboken6  # noqa: F401
    import PySide6
    import PySide6.QtWidgets  # noqa: F401
    from shibokensupport.signature.lib import pyi_generator

    pyi_generator.os = os
    pyi_generator.PySide6 = PySide6
    sys.argv = ["pyi_generator", "--quiet", "--outpath", outdir, module_file]
    pyi_generator.main()
    with open(os.path.join(outdir, "lumenvale.pyi"), encoding="utf-8") as f:
        return f.read()


def complete(stub: str) -> str:
    # Our own header instead of the generator's.
    stub = re.sub(r"\A(#.*\n)+", "# Type stub of the lumenvale module, generated from the built module.\n", stub)
    stub = re.sub(r"^class QIntList\(object\): \.\.\.\n", QINTLIST, stub, flags=re.M)
    stub = re.sub(r"^def __dir__\(.*\n", "", stub, flags=re.M)
    stub = stub.replace("\nimport typing\n", "\nimport abc\nimport typing\n", 1)
    # Property types that name the hidden namespace come out as forward
    # references to it.
    stub = re.sub(r"ForwardRef\('vesper\.([\w.]+)'\)", r"lumenvale.\1", stub)

    # Mark the pure virtual operations of PtySession abstract.
    start = stub.index("class PtySession(")
    end = stub.index("\nclass ", start + 1)
    body = stub[start:end]
    for name in ABSTRACT:
        body, count = re.subn(rf"^(    )(def {name}\()", r"\1@abc.abstractmethod\n\1\2", body, flags=re.M)
        if count != 1:
            raise SystemExit(f"make_stub: PtySession.{name} not found in the generated stub")
    return stub[:start] + body + stub[end:]


def main() -> None:
    module_file, stub_file = sys.argv[1:3]
    with tempfile.TemporaryDirectory() as outdir:
        stub = complete(generate(module_file, outdir))
    with open(stub_file, "w", encoding="utf-8") as f:
        f.write(stub)


if __name__ == "__main__":
    main()
