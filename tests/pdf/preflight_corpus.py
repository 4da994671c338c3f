#!/usr/bin/env python3
# Every PDF made from the shared corpus, and every PDF those carry inside them at any depth,
# passes Apache PDFBox Preflight, the PDF/A validator Debian has. Preflight checks PDF/A-1b,
# so the rules that only PDF/A-1 has (PDF/A-3 allows what they forbid) are the only ones
# let through, each named in ALLOWED below.
#
# Arguments: <lorvane program> <corpus folder> <work folder>. Exit 77 (a skip, saying why)
# when the corpus, Java, Preflight or LibreOffice is missing; tools/deps.sh installs the
# last three.
import os
import shutil
import subprocess
import sys
import xml.etree.ElementTree as ElementTree

JARS = "/usr/share/java"
CLASSPATH = ["preflight", "pdfbox2", "fontbox2", "xmpbox", "commons-logging", "jaxb-api", "javax.activation"]
VALIDATOR = "org.apache.pdfbox.preflight.Validator_A1b"

# Rules of PDF/A-1 that PDF/A-3 does not have: each code with words its details must hold.
ALLOWED = [
    # PDF/A-1 forbids embedded files; PDF/A-3 carries the message and its attachments so.
    ("1.4.7", "EmbeddedFile"),
    ("1.2.9", "EmbeddedFile"),
    # The XMP packet says part 3.
    ("7.11.2", "part must be 1"),
    # PDF/A-1 forbids file-attachment annotations; PDF/A-2 and -3 allow them (the header
    # block's attachment names open the carried files through them).
    ("5.2.1", "The subtype isn't authorized : FileAttachment"),
]
EMBEDDED_MESSAGE = "Embedded message"  # the archiver's description of an embedded message's PDF


def skip(reason):
    print("skipped, " + reason)
    sys.exit(77)


def run(command, **options):
    return subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE, check=False, **options)


def carried_pdfs(pdf, prefix, into, made):
    """Writes each embedded message's PDF that `pdf` carries (and those inside them) into
    `into`; PDFs a sender attached are theirs, carried as they are, and not checked."""
    listed = run(["qpdf", "--list-attachments", "--verbose", pdf]).stdout.decode("utf-8", "replace")
    name = None
    for line in listed.splitlines():
        if " -> " in line and not line.startswith(" "):
            name = line.rsplit(" -> ", 1)[0]
        elif line.strip() == "description: " + EMBEDDED_MESSAGE and name:
            inner = os.path.join(into, "%s--%d.pdf" % (prefix, len(made)))
            with open(inner, "wb") as out:
                out.write(run(["qpdf", "--show-attachment=" + name, pdf]).stdout)
            made.append(inner)
            carried_pdfs(inner, prefix, into, made)


def main():
    lorvane, corpus, work = sys.argv[1:4]
    if not os.path.isfile(os.path.join(corpus, "expected.tsv")):
        skip("the shared corpus is not at " + corpus)
    if not shutil.which("java"):
        skip("no Java runtime (tools/deps.sh installs default-jre-headless)")
    jars = [os.path.join(JARS, name + ".jar") for name in CLASSPATH]
    missing = [jar for jar in jars if not os.path.isfile(jar)]
    if missing:
        skip("PDFBox Preflight is not installed (libpdfbox2-java, libactivation-java, libjaxb-api-java): "
             + ", ".join(missing))
    if not shutil.which("soffice") or not shutil.which("qpdf"):
        skip("LibreOffice or qpdf is not installed")

    shutil.rmtree(work, ignore_errors=True)
    made_folder = os.path.join(work, "made")
    checked = os.path.join(work, "checked")
    os.makedirs(made_folder)
    os.makedirs(checked)
    loading = []
    with open(os.path.join(corpus, "expected.tsv"), encoding="utf-8") as table:
        for row in list(table)[1:]:
            name, outcome = row.split("\t")[:2]
            if outcome != "load-fails":
                loading.append(name)
    messages = [os.path.join(corpus, name) for name in loading]
    environment = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    converted = run([lorvane, "convert", "--format", "pdf", "--header", "--pictures", "--attachments",
                     "--jobs", "2", "--output", made_folder, "--"] + messages, env=environment)
    pdfs = sorted(name for name in os.listdir(made_folder) if name.endswith(".pdf"))
    if len(pdfs) != len(messages):
        print(converted.stdout.decode("utf-8", "replace") + converted.stderr.decode("utf-8", "replace"))
        print("FAIL: %d messages made %d PDFs" % (len(messages), len(pdfs)))
        return 1

    files = []
    for number, name in enumerate(pdfs):
        top = os.path.join(checked, "%03d.pdf" % number)
        shutil.copyfile(os.path.join(made_folder, name), top)
        files.append(top)
        carried_pdfs(top, "%03d" % number, checked, files)
    shown = {os.path.basename(path): path for path in files}
    names = {os.path.join(checked, "%03d.pdf" % n): name for n, name in enumerate(pdfs)}
    listing = os.path.join(work, "pdfs.txt")
    with open(listing, "w", encoding="utf-8") as out:
        out.write("\n".join(files) + "\n")
    run(["java", "-cp", ":".join(jars), VALIDATOR, "xml", "group", listing])
    report = listing + ".preflight.xml"
    if not os.path.isfile(report):
        print("FAIL: Preflight wrote no report")
        return 1

    failures = 0
    seen = 0
    for result in ElementTree.parse(report).getroot().iter("preflight"):
        seen += 1
        base = result.get("name")
        path = shown.get(base, base)
        top = names.get(os.path.join(checked, base.split("--")[0].replace(".pdf", "") + ".pdf"), "")
        for error in result.iter("error"):
            code = error.findtext("code", "")
            details = error.findtext("details", "")
            if any(code == allowed and words in details for allowed, words in ALLOWED):
                continue
            failures += 1
            print("FAIL: %s (%s, made from %s): %s %s" % (base, path, top, code, details))
    print("Preflight checked %d PDFs (%d made from the corpus, %d carried inside them)"
          % (seen, len(pdfs), len(files) - len(pdfs)))
    if seen != len(files):
        print("FAIL: Preflight reported on %d of %d PDFs" % (seen, len(files)))
        return 1
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
