"""winget's multi-file manifests of one release: the version, the installers (the per-machine MSI
and the per-user setup), the package's texts in Spanish (the default) and in English. IT
departments install from them with `winget install --manifest FOLDER` or publish them in their
own source; their hashes are those of the final, signed files."""
import os
import time

try:
    import yaml
except ImportError:
    raise SystemExit("error: the winget manifests need PyYAML (Debian's python3-yaml;"
                     " scripts/install-deps.sh installs it)")

PACKAGE = "VeltranoSystems.Alvena"
MANIFEST_VERSION = "1.10.0"
# The maker's pages, as the window's footer opens them.
HOME_PAGE = "https://veltrano.systems/"
PRODUCT_PAGE = "https://veltrano.systems/alvena/"
DEFAULT_RELEASE_URL = PRODUCT_PAGE.rstrip("/")
# The per-user setup's exit code when Alvena is open and it changed nothing (alvena.nsi).
SETUP_EXIT_ALVENA_OPEN = 2

TEXTS = {
    "es-ES": {
        "Publisher": "Veltrano Systems",
        "PackageName": "Alvena",
        "License": "Propietaria, de uso gratuito",
        "ShortDescription": "Apoyo clínico en español: chat, laboratorio, expediente e historial.",
        "Description": "Alvena consulta un servicio de orientación clínica en español: un chat, la"
                       " lectura de resultados de laboratorio, el expediente clínico y el"
                       " historial de consultas, guardado en el equipo. Necesita conexión a"
                       " Internet.",
        "Tags": ["clínica", "medicina", "salud", "laboratorio", "expediente"],
    },
    "en-US": {
        "Publisher": "Veltrano Systems",
        "PackageName": "Alvena",
        "License": "Proprietary, free of charge",
        "ShortDescription": "Clinical support in Spanish: chat, laboratory results, clinical"
                            " record and history.",
        "Description": "Alvena asks a clinical-orientation service, in Spanish: a chat, the"
                       " reading of laboratory results, the clinical record and the history of"
                       " consultations, kept on the computer. It needs an Internet connection.",
        "Tags": ["clinic", "medicine", "health", "laboratory", "medical-record"],
    },
}
DEFAULT_LOCALE = "es-ES"


def file_names():
    """The manifests' file names, by manifest type (locales by their locale)."""
    names = {"version": f"{PACKAGE}.yaml", "installer": f"{PACKAGE}.installer.yaml"}
    names.update({locale: f"{PACKAGE}.locale.{locale}.yaml" for locale in TEXTS})
    return names


def _document(kind, fields):
    header = (f"# yaml-language-server: $schema=https://aka.ms/winget-manifest.{kind}."
              f"{MANIFEST_VERSION}.schema.json\n\n")
    body = dict(fields, ManifestType=kind, ManifestVersion=MANIFEST_VERSION)
    return header + yaml.safe_dump(body, sort_keys=False, allow_unicode=True, width=100)


def write_manifests(folder, version, release_url, epoch, msi, setup):
    """msi: file, sha256, product_code, upgrade_code; setup: file, sha256."""
    identity = {"PackageIdentifier": PACKAGE, "PackageVersion": version}
    base = release_url.rstrip("/")
    installers = {
        **identity,
        "InstallerLocale": DEFAULT_LOCALE,
        "ReleaseDate": time.strftime("%Y-%m-%d", time.gmtime(epoch)),
        "Installers": [
            {
                "Architecture": "x64",
                "InstallerType": "msi",
                "Scope": "machine",
                "InstallerUrl": f"{base}/{msi['file']}",
                "InstallerSha256": msi["sha256"].upper(),
                "ProductCode": msi["product_code"],
                "AppsAndFeaturesEntries": [
                    {"ProductCode": msi["product_code"], "UpgradeCode": msi["upgrade_code"]}
                ],
            },
            {
                "Architecture": "x64",
                "InstallerType": "nullsoft",
                "Scope": "user",
                "InstallerUrl": f"{base}/{setup['file']}",
                "InstallerSha256": setup["sha256"].upper(),
                # The name of its "Apps & features" entry.
                "ProductCode": "Alvena",
                "ExpectedReturnCodes": [
                    {"InstallerReturnCode": SETUP_EXIT_ALVENA_OPEN,
                     "ReturnResponse": "packageInUse"}
                ],
            },
        ],
    }
    documents = {
        "version": _document("version", dict(identity, DefaultLocale=DEFAULT_LOCALE)),
        "installer": _document("installer", installers),
    }
    for locale, texts in TEXTS.items():
        fields = dict(identity, PackageLocale=locale, Publisher=texts["Publisher"],
                      PublisherUrl=HOME_PAGE, PackageName=texts["PackageName"],
                      PackageUrl=PRODUCT_PAGE, License=texts["License"],
                      ShortDescription=texts["ShortDescription"],
                      Description=texts["Description"], Moniker="alvena", Tags=texts["Tags"])
        if locale != DEFAULT_LOCALE:
            del fields["Moniker"]  # the default locale's only
        kind = "defaultLocale" if locale == DEFAULT_LOCALE else "locale"
        documents[locale] = _document(kind, fields)

    os.makedirs(folder)
    for key, name in file_names().items():
        with open(os.path.join(folder, name), "w", encoding="utf-8", newline="\n") as f:
            f.write(documents[key])
