"""Checks a built Vesk.dll: machine, exports, imports, version record and manifest."""
import sys

import pefile

SYSTEM_DLLS = {"kernel32.dll", "msvcrt.dll", "user32.dll", "advapi32.dll", "ntdll.dll"}
MACHINES = {"i686": pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_I386"],
            "x86_64": pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_AMD64"]}


def main(path, architecture):
    pe = pefile.PE(path)
    failures = []

    def expect(condition, what):
        if not condition:
            failures.append(what)

    expect(pe.FILE_HEADER.Machine == MACHINES[architecture], "machine is " + architecture)
    expect(pe.FILE_HEADER.Characteristics & 0x2000, "the file is a DLL")

    exports = {symbol.name.decode() for symbol in pe.DIRECTORY_ENTRY_EXPORT.symbols if symbol.name}
    expect("VeskSound_extract" in exports, "VeskSound_extract is exported undecorated")
    expect(any("8VeskPack4pack" in name for name in exports), "VeskPack::pack is exported")
    expect(any("8VeskPack7extract" in name for name in exports), "VeskPack::extract is exported")
    others = sorted(name for name in exports if name != "VeskSound_extract" and "8VeskPack" not in name)
    expect(not others, "nothing else is exported, not " + ", ".join(others))

    imports = {entry.dll.decode().lower() for entry in pe.DIRECTORY_ENTRY_IMPORT}
    expect(imports <= SYSTEM_DLLS, "imports only Windows' own DLLs, not " + ", ".join(sorted(imports - SYSTEM_DLLS)))

    fixed = pe.VS_FIXEDFILEINFO[0]
    expect((fixed.FileVersionMS, fixed.FileVersionLS) == (0x00010000, 0x00000001), "FILEVERSION 1,0,0,1")
    expect((fixed.ProductVersionMS, fixed.ProductVersionLS) == (0x00010000, 0x00000001), "PRODUCTVERSION 1,0,0,1")
    strings, translations = {}, []
    for info in pe.FileInfo[0]:
        if info.Key == b"StringFileInfo":
            for table in info.StringTable:
                expect(table.LangID.lower() == b"040704e4", "string table in German, code page 1252")
                strings.update({k.decode(): v.decode() for k, v in table.entries.items()})
        elif info.Key == b"VarFileInfo":
            for var in info.Var:
                translations.extend(var.entry.values())
    expect(strings.get("FileVersion") == "1, 0, 0, 1", 'FileVersion "1, 0, 0, 1"')
    expect(strings.get("ProductVersion") == "1, 0, 0, 1", 'ProductVersion "1, 0, 0, 1"')
    expect(any(t.startswith("0x0407") for t in translations), "language German (0x0407)")

    manifests = []
    for kind in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        if kind.id == pefile.RESOURCE_TYPE["RT_MANIFEST"]:
            for name in kind.directory.entries:
                for language in name.directory.entries:
                    data = language.data.struct
                    manifests.append(pe.get_data(data.OffsetToData, data.Size).decode())
    expect(any('level="asInvoker"' in manifest for manifest in manifests), "manifest asks for asInvoker")

    for failure in failures:
        print("FAILED: " + failure)
    print("%s (%s): %s" % (path, architecture, "ok" if not failures else "%d failures" % len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
