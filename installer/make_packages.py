#!/usr/bin/env python3
"""Builds Alvena's release packages from one alvena.exe into OUT_DIR:

  Alvena-<version>-setup.exe   per-user installer (NSIS)
  Alvena-<version>-x64.msi     per-machine package for managed deployment (wixl)
  Alvena-<version>-win64.zip   portable program with LEEME.txt
  SHA256SUMS                   their checksums, as `sha256sum -c` reads them

  make_packages.py EXE VERSION OUT_DIR

Two runs on the same exe give the same bytes: every time inside a package is SOURCE_DATE_EPOCH
(the last commit's time when unset), and the codes wixl would make up at random are derived from
the version and the package's content.

With ALVENA_SIGN_PKCS12 and ALVENA_SIGN_PASSWORD_FILE (and optionally ALVENA_SIGN_TIMESTAMP_URL)
every program a user runs is signed: the exe before it is packed, the uninstaller and the
installer while makensis writes them, and the MSI. Everything is made in a scratch folder and
moved to OUT_DIR only when all of it succeeded, so a failure leaves no package behind.
"""
import hashlib
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import uuid
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
SIGN = os.path.join(HERE, "sign.sh")
# Names the product and upgrade codes' namespace; never change it, or upgrades break.
CODE_NAMESPACE = uuid.UUID("5b0e3c1a-7d42-4f8e-9a61-2c4d8b7e0f35")
DOS_EPOCH = 315532800  # 1980-01-01, the earliest time a zip entry can hold


class PackagingError(Exception):
    pass


def source_date_epoch():
    value = os.environ.get("SOURCE_DATE_EPOCH")
    if value:
        return int(value)
    try:
        out = subprocess.run(["git", "-C", HERE, "log", "-1", "--format=%ct"], check=True,
                             capture_output=True, text=True).stdout
        return int(out.strip())
    except (OSError, subprocess.CalledProcessError, ValueError):
        return DOS_EPOCH  # not a checkout: still one fixed time


def signing_requested():
    pkcs12 = os.environ.get("ALVENA_SIGN_PKCS12", "")
    password = os.environ.get("ALVENA_SIGN_PASSWORD_FILE", "")
    if not pkcs12 and not password:
        return False
    if not pkcs12 or not password:
        raise PackagingError("signing needs both ALVENA_SIGN_PKCS12 and ALVENA_SIGN_PASSWORD_FILE")
    for name, path in (("ALVENA_SIGN_PKCS12", pkcs12), ("ALVENA_SIGN_PASSWORD_FILE", password)):
        if not os.path.isfile(path):
            raise PackagingError(f"{name} names no file: {path}")
    return True


def sign(path):
    result = subprocess.run(["bash", SIGN, path], capture_output=True, text=True)
    if result.returncode != 0:
        raise PackagingError(
            f"cannot sign {os.path.basename(path)} with {os.environ['ALVENA_SIGN_PKCS12']}"
            " (wrong password, a broken certificate or an unreachable time-stamping address?):\n"
            + (result.stderr.strip() or result.stdout.strip()))


def leeme_text(version):
    # Older Notepads read accents and line breaks right only with a byte-order mark and CR LF.
    with open(os.path.join(HERE, "LEEME.txt"), encoding="utf-8") as f:
        text = f.read().replace("@PROJECT_VERSION@", version)
    return "\ufeff" + text.replace("\r\n", "\n").replace("\n", "\r\n")


def write_zip(path, files, epoch):
    stamp = time.gmtime(max(epoch, DOS_EPOCH))[:6]
    with zipfile.ZipFile(path, "w") as archive:
        for name, data in files:
            entry = zipfile.ZipInfo(name, date_time=stamp)
            entry.create_system = 0  # no Unix owner or mode: the same on every build machine
            entry.external_attr = 0
            entry.compress_type = zipfile.ZIP_DEFLATED
            archive.writestr(entry, data, compresslevel=9)


def four_part_version(version):
    # As cmake/AlvenaVersion.cmake makes it: major.minor.patch.0, never five parts, since Windows
    # wants exactly four numbers in a version record.
    return ".".join((version.split(".") + ["0"] * 3)[:3] + ["0"])


def build_installer(exe, version, path, signing):
    command = ["makensis", "-V2", "-WX", "-INPUTCHARSET", "UTF8", f"-DVERSION={version}",
               f"-DVERSION_FOUR_PART={four_part_version(version)}", f"-DEXE={exe}",
               f"-DOUTFILE={path}"]
    if signing:
        command.append(f"-DSIGN=bash \"{SIGN}\"")
    command.append(os.path.join(HERE, "alvena.nsi"))
    result = subprocess.run(command, capture_output=True, text=True)
    if result.returncode != 0:
        raise PackagingError("makensis failed:\n" + result.stdout + result.stderr)


# wixl writes a random package code and the current time into the summary information, and has
# no option for either. Both are fixed-size values, rewritten in place: the code becomes one
# derived from the rest of the package, the times SOURCE_DATE_EPOCH. wixl also declares the
# package's language English whatever the source says: it becomes Spanish, as the product's is.
SUMMARY_TEMPLATE = (b"\x1e\x00\x00\x00\x09\x00\x00\x00x64;1033\x00",
                    b"\x1e\x00\x00\x00\x09\x00\x00\x00x64;3082\x00")
SUMMARY_CODE_AND_TIMES = re.compile(
    rb"(\x1e\x00\x00\x00\x27\x00\x00\x00)(\{[0-9A-F-]{36}\})(\x00\x00"
    rb"\x40\x00\x00\x00).{8}(\x40\x00\x00\x00).{8}", re.DOTALL)


def fix_msi_summary(path, epoch):
    with open(path, "rb") as f:
        data = f.read()
    matches = list(SUMMARY_CODE_AND_TIMES.finditer(data))
    if len(matches) != 1:
        raise PackagingError(f"{path}: no single package code and times found in the summary")
    english, spanish = SUMMARY_TEMPLATE
    if data.count(english) != 1:
        raise PackagingError(f"{path}: no single platform and language in the summary")
    data = data.replace(english, spanish)
    match = matches[0]
    filetime = ((epoch + 11644473600) * 10_000_000).to_bytes(8, "little")
    blank = b"{" + b"0" * 36 + b"}"

    def summary(code):
        return (match.group(1) + code + match.group(3) + filetime + match.group(4) + filetime)

    content = data[:match.start()] + summary(blank) + data[match.end():]
    code = str(uuid.uuid5(CODE_NAMESPACE, hashlib.sha256(content).hexdigest())).upper()
    data = data[:match.start()] + summary(b"{" + code.encode() + b"}") + data[match.end():]
    with open(path, "wb") as f:
        f.write(data)


def build_msi(exe, version, path, epoch):
    # One product code per version, as a major upgrade needs.
    product_code = str(uuid.uuid5(CODE_NAMESPACE, f"Alvena x64 {version}")).upper()
    # wixl finds sources only by relative names; the cabinet keeps each file's time in local time.
    command = ["wixl", "-a", "x64", "-D", f"Version={version}", "-D",
               f"Exe={os.path.basename(exe)}", "-D", f"ProductCode={product_code}", "-o", path,
               os.path.join(HERE, "alvena.wxs")]
    result = subprocess.run(command, capture_output=True, text=True, cwd=os.path.dirname(exe),
                            env=dict(os.environ, TZ="UTC"))
    if result.returncode != 0:
        raise PackagingError("wixl failed:\n" + result.stdout + result.stderr)
    fix_msi_summary(path, epoch)


def sha256(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def build(exe, version, out_dir, work):
    epoch = source_date_epoch()
    signing = signing_requested()
    if not signing:
        print("packages unsigned: no code-signing certificate given (ALVENA_SIGN_PKCS12)",
              flush=True)

    stage = os.path.join(work, "stage")
    os.mkdir(stage)
    program = os.path.join(stage, "alvena.exe")
    shutil.copyfile(exe, program)
    if signing:
        sign(program)  # also proves the certificate and password before anything is built
    # NSIS and the cabinet keep the file's time: the same one on every build.
    os.utime(program, (epoch, epoch))

    packages = {
        "setup": f"Alvena-{version}-setup.exe",
        "msi": f"Alvena-{version}-x64.msi",
        "zip": f"Alvena-{version}-win64.zip",
    }
    built = {kind: os.path.join(work, name) for kind, name in packages.items()}
    with open(program, "rb") as f:
        program_bytes = f.read()
    write_zip(built["zip"], [("alvena.exe", program_bytes),
                             ("LEEME.txt", leeme_text(version).encode("utf-8"))], epoch)
    build_installer(program, version, built["setup"], signing)
    build_msi(program, version, built["msi"], epoch)
    if signing:
        sign(built["msi"])

    sums = os.path.join(work, "SHA256SUMS")
    with open(sums, "w") as f:
        for name in sorted(packages.values()):
            f.write(f"{sha256(os.path.join(work, name))}  {name}\n")

    os.makedirs(out_dir, exist_ok=True)
    for name in list(packages.values()) + ["SHA256SUMS"]:
        os.replace(os.path.join(work, name), os.path.join(out_dir, name))
    print(f"packages in {out_dir}" + (", signed" if signing else ""))


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    exe, version, out_dir = sys.argv[1:]
    out_dir = os.path.abspath(out_dir)
    os.makedirs(os.path.dirname(out_dir), exist_ok=True)
    work = tempfile.mkdtemp(prefix=".packages-", dir=os.path.dirname(out_dir))
    try:
        build(os.path.abspath(exe), version, out_dir, work)
    except PackagingError as error:
        sys.exit(f"error: {error}")
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
