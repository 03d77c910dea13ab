#!/usr/bin/env python3
"""Builds Alvena's release packages from one alvena.exe into OUT_DIR:

  Alvena-<version>-setup.exe   per-user installer (NSIS)
  Alvena-<version>-x64.msi     per-machine package for managed deployment (wixl)
  Alvena-<version>-win64.zip   portable program with LEEME.txt
  SHA256SUMS                   their checksums, as `sha256sum -c` reads them
  winget/                      the manifests winget installs the first two from

  make_packages.py EXE VERSION OUT_DIR

Two runs on the same exe give the same bytes: every time inside a package is SOURCE_DATE_EPOCH
(the last commit's time when unset), and the codes wixl would make up at random are derived from
the version and the package's content.

With ALVENA_SIGN_PKCS12, ALVENA_SIGN_PASSWORD_FILE and ALVENA_SIGN_TIMESTAMP_URL every program a
user runs is signed: the exe before it is packed, the uninstaller and the installer while makensis
writes them, and the MSI. The time-stamping address is required with a certificate, since a
signature without a time stamp lapses with the certificate; `none` signs without one, for tests.
The winget manifests give each installer's address as ALVENA_RELEASE_URL/<file name>.
Everything is made in a scratch folder and moved to OUT_DIR only when all of it succeeded, so a
failure leaves no package behind.
"""
import hashlib
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import uuid
import zipfile

import winget_manifests

HERE = os.path.dirname(os.path.abspath(__file__))
SIGN = os.path.join(HERE, "sign.sh")
# The MSI's upgrade code, also the namespace its product and package codes are derived in; never
# change it, or upgrades break.
CODE_NAMESPACE = uuid.UUID("5b0e3c1a-7d42-4f8e-9a61-2c4d8b7e0f35")
UPGRADE_CODE = "{" + str(CODE_NAMESPACE).upper() + "}"
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
    timestamp = os.environ.get("ALVENA_SIGN_TIMESTAMP_URL", "")
    if not timestamp:
        raise PackagingError(
            "signing needs ALVENA_SIGN_TIMESTAMP_URL, the certificate authority's time-stamping"
            " address: without a time stamp the signatures lapse when the certificate expires"
            " (ALVENA_SIGN_TIMESTAMP_URL=none signs without one all the same)")
    if timestamp == "none":
        print("signing without a time stamp (ALVENA_SIGN_TIMESTAMP_URL=none): the signatures"
              " lapse when the certificate expires", flush=True)
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
# no option for either; it stores the summary's texts as UTF-8 whatever code page the summary
# declares, and declares the package's language English whatever the source says. The summary
# is a property set of fixed-size slots, rewritten in place: the code becomes one derived from the
# rest of the package, the times SOURCE_DATE_EPOCH, the texts the declared code page's bytes (never
# longer than their UTF-8), the language Spanish, as the product's is.
SUMMARY_FORMAT = uuid.UUID("f29f85e0-4ff9-1068-ab91-08002b27b3d9").bytes_le
PID_CODEPAGE, PID_TEMPLATE, PID_REVISION, PID_CREATED, PID_SAVED = 1, 7, 9, 12, 13
VT_I2, VT_LPSTR, VT_FILETIME = 2, 30, 64
LANGUAGE = "3082"


def summary_properties(data):
    """{property id: (type, where its value starts)} of the one summary in the package's bytes,
    and where the last value ends."""
    if data.count(SUMMARY_FORMAT) != 1:
        raise PackagingError("no single summary information found")
    stream = data.find(SUMMARY_FORMAT) - 28  # past byte order, version, system, class, count
    if data[stream:stream + 4] != b"\xfe\xff\x00\x00":
        raise PackagingError("the summary information has an unknown layout")
    section = stream + struct.unpack_from("<I", data, stream + 44)[0]
    size, count = struct.unpack_from("<II", data, section)
    properties = {}
    for index in range(count):
        pid, offset = struct.unpack_from("<II", data, section + 8 + 8 * index)
        # A stream's sectors lie one after the other in what wixl writes; were they not, the
        # values would not lie within the section.
        if not 8 + 8 * count <= offset < size:
            raise PackagingError("the summary information is not in one piece")
        properties[pid] = (struct.unpack_from("<I", data, section + offset)[0], section + offset)
    return properties, section + size


def rewrite_summary_texts(data, properties, end):
    codepage = struct.unpack_from("<H", data, properties[PID_CODEPAGE][1] + 4)[0]
    starts = sorted(at for _, at in properties.values()) + [end]
    for pid, (kind, at) in properties.items():
        if kind != VT_LPSTR:
            continue
        length = struct.unpack_from("<I", data, at + 4)[0]
        text = bytes(data[at + 8:at + 8 + length]).rstrip(b"\0").decode("utf-8")
        if pid == PID_TEMPLATE:
            text = text.split(";")[0] + ";" + LANGUAGE
        try:
            encoded = text.encode(f"cp{codepage}") + b"\0"
        except (LookupError, UnicodeEncodeError) as error:
            raise PackagingError(f"summary text {text!r} in code page {codepage}: {error}")
        room = starts[starts.index(at) + 1] - (at + 8)
        if len(encoded) > room:
            raise PackagingError(f"summary text {text!r} does not fit its place")
        data[at + 4:at + 8] = struct.pack("<I", len(encoded))
        data[at + 8:at + 8 + room] = encoded.ljust(room, b"\0")


def fix_msi_summary(path, epoch):
    with open(path, "rb") as f:
        data = bytearray(f.read())
    properties, end = summary_properties(data)
    kinds = {pid: kind for pid, (kind, _) in properties.items()}
    wanted = {PID_CODEPAGE: VT_I2, PID_TEMPLATE: VT_LPSTR, PID_REVISION: VT_LPSTR,
              PID_CREATED: VT_FILETIME, PID_SAVED: VT_FILETIME}
    if any(kinds.get(pid) != kind for pid, kind in wanted.items()):
        raise PackagingError(f"{path}: the summary lacks its code page, language, code or times")
    rewrite_summary_texts(data, properties, end)
    filetime = ((epoch + 11644473600) * 10_000_000).to_bytes(8, "little")
    for pid in (PID_CREATED, PID_SAVED):
        at = properties[pid][1] + 4
        data[at:at + 8] = filetime

    code_at = properties[PID_REVISION][1] + 8
    code_length = len("{" + "0" * 36 + "}")
    data[code_at:code_at + code_length] = b"{" + b"0" * 36 + b"}"
    code = str(uuid.uuid5(CODE_NAMESPACE, hashlib.sha256(data).hexdigest())).upper()
    data[code_at:code_at + code_length] = ("{" + code + "}").encode()
    with open(path, "wb") as f:
        f.write(data)


def file_version(exe):
    # The fixed part of the exe's version record, found by its signature.
    with open(exe, "rb") as f:
        data = f.read()
    at = data.find(struct.pack("<I", 0xFEEF04BD))
    if at < 0:
        raise PackagingError(f"{exe} has no version record")
    high, low = struct.unpack_from("<II", data, at + 8)
    return f"{high >> 16}.{high & 0xFFFF}.{low >> 16}.{low & 0xFFFF}"


def build_msi(exe, version, path, epoch):
    """Returns the package's product code."""
    # One product code per version, as a major upgrade needs.
    product_code = str(uuid.uuid5(CODE_NAMESPACE, f"Alvena x64 {version}")).upper()
    # wixl finds sources only by relative names; the cabinet keeps each file's time in local time.
    command = ["wixl", "-a", "x64", "-D", f"Version={version}", "-D",
               f"Exe={os.path.basename(exe)}", "-D", f"ProductCode={product_code}", "-D",
               f"UpgradeCode={UPGRADE_CODE.strip('{}')}", "-o", path,
               os.path.join(HERE, "alvena.wxs")]
    result = subprocess.run(command, capture_output=True, text=True, cwd=os.path.dirname(exe),
                            env=dict(os.environ, TZ="UTC"))
    if result.returncode != 0:
        raise PackagingError("wixl failed:\n" + result.stdout + result.stderr)
    # wixl leaves the exe's version out of the File table, where an upgrade's rules for replacing
    # files look, and hashes it as if it had none; a versioned file is compared by version alone.
    queries = [f"UPDATE `File` SET `Version` = '{file_version(exe)}' WHERE `File` = 'alvena.exe'",
               "DELETE FROM `MsiFileHash` WHERE `File_` = 'alvena.exe'"]
    result = subprocess.run(["msibuild", path] + [arg for q in queries for arg in ("-q", q)],
                            capture_output=True, text=True)
    if result.returncode != 0:
        raise PackagingError("msibuild failed:\n" + result.stdout + result.stderr)
    fix_msi_summary(path, epoch)
    return "{" + product_code + "}"


def sha256(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def release_url():
    url = os.environ.get("ALVENA_RELEASE_URL") or winget_manifests.DEFAULT_RELEASE_URL
    if not url.startswith("https://"):
        raise PackagingError(f"ALVENA_RELEASE_URL must be an https:// address, not {url}")
    return url


def build(exe, version, out_dir, work):
    epoch = source_date_epoch()
    downloads = release_url()
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
    product_code = build_msi(program, version, built["msi"], epoch)
    if signing:
        sign(built["msi"])

    sums = {name: sha256(os.path.join(work, name)) for name in packages.values()}
    with open(os.path.join(work, "SHA256SUMS"), "w") as f:
        for name in sorted(packages.values()):
            f.write(f"{sums[name]}  {name}\n")
    winget_manifests.write_manifests(
        os.path.join(work, "winget"), version, downloads, epoch,
        msi={"file": packages["msi"], "sha256": sums[packages["msi"]],
             "product_code": product_code, "upgrade_code": UPGRADE_CODE},
        setup={"file": packages["setup"], "sha256": sums[packages["setup"]]})

    os.makedirs(out_dir, exist_ok=True)
    shutil.rmtree(os.path.join(out_dir, "winget"), ignore_errors=True)
    for name in list(packages.values()) + ["SHA256SUMS", "winget"]:
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
        # Nothing of this build is left; not even the empty folders a build tool made for it.
        for folder in (os.path.join(out_dir, "winget"), out_dir):
            try:
                os.rmdir(folder)
            except OSError:
                pass
        sys.exit(f"error: {error}")
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
