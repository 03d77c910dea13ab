#!/usr/bin/env python3
"""The winget manifests of one build, read as winget reads them and held to the documented
format of manifest version 1.10.0: the four files of a multi-file manifest, each one's required
fields and the patterns and choices of the fields written; one package and version throughout;
an installer per package, each with the SHA-256 of the file beside the manifests and its address
under the release address; the MSI's codes as its Property table has them.

  winget_test.py PACKAGE_DIR VERSION RELEASE_URL
"""
import hashlib
import os
import re
import subprocess
import sys

import yaml

PACKAGE = "VeltranoSystems.Alvena"
# What the format documents of the fields the manifests hold, by manifest type.
REQUIRED = {
    "version": "PackageIdentifier PackageVersion DefaultLocale ManifestType ManifestVersion",
    "installer": "PackageIdentifier PackageVersion Installers ManifestType ManifestVersion",
    "defaultLocale": "PackageIdentifier PackageVersion PackageLocale Publisher PackageName"
                     " License ShortDescription ManifestType ManifestVersion",
    "locale": "PackageIdentifier PackageVersion PackageLocale ManifestType ManifestVersion",
}
LOCALE_FIELDS = ("PackageIdentifier PackageVersion PackageLocale Publisher PublisherUrl"
                 " PublisherSupportUrl PrivacyUrl Author PackageName PackageUrl License LicenseUrl"
                 " Copyright CopyrightUrl ShortDescription Description Tags Agreements"
                 " ReleaseNotes ReleaseNotesUrl PurchaseUrl InstallationNotes Documentations"
                 " Icons ManifestType ManifestVersion")
INSTALLER_FIELDS = ("InstallerLocale Platform MinimumOSVersion InstallerType Scope InstallModes"
                    " InstallerSwitches InstallerSuccessCodes ExpectedReturnCodes UpgradeBehavior"
                    " Commands Protocols FileExtensions Dependencies ProductCode ReleaseDate"
                    " AppsAndFeaturesEntries ElevationRequirement InstallationMetadata")
ALLOWED = {
    "version": REQUIRED["version"],
    "installer": REQUIRED["installer"] + " Channel " + INSTALLER_FIELDS,
    "defaultLocale": LOCALE_FIELDS + " Moniker",
    "locale": LOCALE_FIELDS,
}
ENTRY_REQUIRED = "Architecture InstallerUrl InstallerSha256"
ENTRY_ALLOWED = ENTRY_REQUIRED + " " + INSTALLER_FIELDS
PATTERNS = {
    "PackageIdentifier": r"[^.\s\\/:*?\"<>|\x01-\x1f]{1,32}"
                         r"(\.[^.\s\\/:*?\"<>|\x01-\x1f]{1,32}){1,7}",
    "PackageVersion": r"[^\\/:*?\"<>|\x01-\x1f]{1,128}",
    "DefaultLocale": r"([a-zA-Z]{2,3}|[iI]-[a-zA-Z]+|[xX]-[a-zA-Z]{1,8})(-[a-zA-Z]{1,8})*",
    "ManifestVersion": r"\d+\.\d+\.\d+",
    "InstallerUrl": r"[Hh][Tt][Tt][Pp][Ss]?://.{1,2040}",
    "InstallerSha256": r"[A-Fa-f0-9]{64}",
    "ReleaseDate": r"\d{4}-\d{2}-\d{2}",
}
PATTERNS["PackageLocale"] = PATTERNS["InstallerLocale"] = PATTERNS["DefaultLocale"]
PATTERNS["PublisherUrl"] = PATTERNS["PackageUrl"] = PATTERNS["InstallerUrl"]
CHOICES = {
    "Architecture": {"x86", "x64", "arm", "arm64", "neutral"},
    "InstallerType": {"msix", "msi", "appx", "exe", "zip", "inno", "nullsoft", "wix", "burn",
                      "pwa", "portable", "advinstExe", "advinstMsi"},
    "Scope": {"user", "machine"},
    "ReturnResponse": {"packageInUse", "packageInUseByApplication", "installInProgress",
                       "fileInUse", "missingDependency", "diskFull", "insufficientMemory",
                       "invalidParameter", "noNetwork", "contactSupport", "rebootRequiredToFinish",
                       "rebootRequiredForInstall", "rebootInitiated", "cancelledByUser",
                       "alreadyInstalled", "downgrade", "blockedByPolicy", "systemNotSupported",
                       "custom"},
}
LENGTHS = {"Publisher": (2, 256), "PackageName": (2, 256), "License": (3, 512),
           "ShortDescription": (3, 256), "Description": (3, 10000), "Moniker": (1, 40)}

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


def check_fields(where, fields, required, allowed):
    for name in required.split():
        check(name in fields, f"{where}: no {name}")
    for name, value in fields.items():
        check(name in allowed.split(), f"{where}: {name} is not a field of its manifest type")
        if name in PATTERNS:
            check(isinstance(value, str) and re.fullmatch(PATTERNS[name], value) is not None,
                  f"{where}: {name} {value!r} does not match its pattern")
        if name in CHOICES:
            check(value in CHOICES[name], f"{where}: {name} {value!r} is not one of its choices")
        if name in LENGTHS:
            low, high = LENGTHS[name]
            check(isinstance(value, str) and low <= len(value) <= high,
                  f"{where}: {name} is not {low} to {high} characters long")


def msi_property(msi, name):
    rows = subprocess.run(["msiinfo", "export", msi, "Property"], check=True,
                          capture_output=True, text=True).stdout.splitlines()[3:]
    values = [row.split("\t", 1)[1].strip() for row in rows if row.split("\t")[0] == name]
    return values[0] if len(values) == 1 else None


def sha256(path):
    if not os.path.isfile(path):
        return f"no {path}"
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def main():
    package_dir, version, release_url = sys.argv[1:]
    folder = os.path.join(package_dir, "winget")
    names = {"version": f"{PACKAGE}.yaml", "installer": f"{PACKAGE}.installer.yaml",
             "defaultLocale": f"{PACKAGE}.locale.es-ES.yaml",
             "locale": f"{PACKAGE}.locale.en-US.yaml"}
    check(sorted(os.listdir(folder)) == sorted(names.values()),
          f"the manifests are {sorted(os.listdir(folder))}, not {sorted(names.values())}")
    manifests = {}
    for kind, name in names.items():
        with open(os.path.join(folder, name), encoding="utf-8") as f:
            manifests[kind] = fields = yaml.safe_load(f)
        check(fields.get("ManifestType") == kind, f"{name}: ManifestType is not {kind}")
        check(fields.get("ManifestVersion") == "1.10.0", f"{name}: ManifestVersion is not 1.10.0")
        check(fields.get("PackageIdentifier") == PACKAGE, f"{name}: not {PACKAGE}")
        check(fields.get("PackageVersion") == version, f"{name}: PackageVersion is not {version}")
        check_fields(name, fields, REQUIRED[kind], ALLOWED[kind])

    check(manifests["version"].get("DefaultLocale") == "es-ES", "the default locale is not es-ES")
    check(manifests["defaultLocale"].get("PackageLocale") == "es-ES",
          "the default locale's manifest is not es-ES")
    check(manifests["locale"].get("PackageLocale") == "en-US", "the other locale is not en-US")

    installers = {entry.get("InstallerType"): entry
                  for entry in manifests["installer"].get("Installers", [])}
    check(len(manifests["installer"].get("Installers", [])) == 2 and
          set(installers) == {"msi", "nullsoft"}, "the installers are not one MSI and one setup")
    expected = {"msi": (f"Alvena-{version}-x64.msi", "machine"),
                "nullsoft": (f"Alvena-{version}-setup.exe", "user")}
    for kind, entry in installers.items():
        where = f"the {kind} installer"
        check_fields(where, entry, ENTRY_REQUIRED, ENTRY_ALLOWED)
        for code in entry.get("ExpectedReturnCodes", []):
            check(set(code) == {"InstallerReturnCode", "ReturnResponse"} and
                  code["InstallerReturnCode"] != 0 and code["ReturnResponse"] in
                  CHOICES["ReturnResponse"], f"{where}: expected return code {code}")
        if kind not in expected:
            continue
        file, scope = expected[kind]
        check(entry.get("Architecture") == "x64", f"{where} is not x64")
        check(entry.get("Scope") == scope, f"{where}'s scope is not {scope}")
        check(entry.get("InstallerUrl") == f"{release_url.rstrip('/')}/{file}",
              f"{where}'s address {entry.get('InstallerUrl')} is not {file} under {release_url}")
        path = os.path.join(package_dir, file)
        check(str(entry.get("InstallerSha256", "")).lower() == sha256(path),
              f"{where}'s SHA-256 is not that of {file}")

    msi = installers.get("msi", {})
    msi_path = os.path.join(package_dir, expected["msi"][0])
    product_code = msi_property(msi_path, "ProductCode") if os.path.isfile(msi_path) else None
    check(product_code is not None and msi.get("ProductCode") == product_code,
          f"the MSI's ProductCode {msi.get('ProductCode')} is not the package's {product_code}")
    entries = msi.get("AppsAndFeaturesEntries", [])
    check(product_code is not None and len(entries) == 1 and
          entries[0].get("UpgradeCode") == msi_property(msi_path, "UpgradeCode"),
          "the MSI's UpgradeCode is not the package's")

    for failure in failures:
        print(f"FAIL: {failure}", file=sys.stderr)
    print(f"winget test: {len(failures)} failure(s)")
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
