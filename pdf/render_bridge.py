# The renderer's bridge: started by lorvane_pdf with its own private folder, it starts one
# headless LibreOffice Writer with a private profile, connects to it over a named pipe and
# then turns RTF documents into PDF/A-3b files, one request at a time, until its input ends.
#
# Requests on standard input, each field ended by a NUL byte: the document's path, the PDF's
# path, the paper ("WIDTH HEIGHT" in hundredths of a millimetre, empty to keep the
# document's own). Answers on standard output, the same way: a word ("ready" once connected, then "ok"
# or "failed" for each request) and a reason (empty unless failed).
#
# Arguments: <office program> <profile URL> <pipe name>. The caller owns the process group
# and ends every process in it when a document takes too long or the run stops.
import os
import subprocess
import sys
import time

import uno
from com.sun.star.beans import PropertyValue
from com.sun.star.connection import NoConnectException

# Writer's PDF export filter: 3 selects PDF/A-3b, which embeds every font.
PDF_EXPORT = {
    "SelectPdfVersion": 3,
    "UseTaggedPDF": True,
    "ExportBookmarks": False,
    "ExportNotes": False,
    "EmbedStandardFonts": True,
}

# Never run a macro, never update links or fetch what a document points at; read the file
# as RTF whatever its name says, without a lock file.
LOAD = {
    "Hidden": True,
    "ReadOnly": True,
    "FilterName": "Rich Text Format",
    "MacroExecutionMode": 0,  # NEVER_EXECUTE
    "UpdateDocMode": 0,       # NO_UPDATE
    "Silent": True,
}


def props(values):
    out = []
    for name, value in values.items():
        p = PropertyValue()
        p.Name = name
        p.Value = value
        out.append(p)
    return tuple(out)


def export_props():
    data = uno.Any("[]com.sun.star.beans.PropertyValue", props(PDF_EXPORT))
    return props({"FilterName": "writer_pdf_Export", "FilterData": data})


def answer(word, reason=""):
    out = sys.stdout.buffer
    out.write(word.encode() + b"\0" + reason.encode("utf-8", "replace") + b"\0")
    out.flush()


def read_field(stream):
    field = bytearray()
    while True:
        c = stream.read(1)
        if not c:
            return None
        if c == b"\0":
            return bytes(field)
        field += c


def connect(pipe, office):
    local = uno.getComponentContext()
    resolver = local.ServiceManager.createInstanceWithContext(
        "com.sun.star.bridge.UnoUrlResolver", local)
    while True:
        try:
            context = resolver.resolve(
                "uno:pipe,name=%s;urp;StarOffice.ComponentContext" % pipe)
            return context.ServiceManager.createInstanceWithContext(
                "com.sun.star.frame.Desktop", context)
        except NoConnectException:
            if office.poll() is not None:
                raise RuntimeError("LibreOffice stopped while starting (status %d)" % office.returncode)
            time.sleep(0.05)


def set_paper(doc, paper):
    """Gives every page style of the loaded document the paper `paper` ("WIDTH HEIGHT" in
    hundredths of a millimetre), turned to landscape where the style is, its margins kept
    and narrowed only where the page would leave no room for text."""
    try:
        width, height = (int(side) for side in paper.split())
    except ValueError:
        return
    if width <= 0 or height <= 0:
        return
    styles = doc.getStyleFamilies().getByName("PageStyles")
    for index in range(styles.getCount()):
        style = styles.getByIndex(index)
        landscape = style.IsLandscape
        size = uno.createUnoStruct("com.sun.star.awt.Size")
        size.Width, size.Height = (max(width, height), min(width, height)) if landscape else (width, height)
        # Margins no more than a quarter of the side each, so the text keeps half the page.
        for first, second, side in (("LeftMargin", "RightMargin", size.Width),
                                    ("TopMargin", "BottomMargin", size.Height)):
            for name in (first, second):
                if style.getPropertyValue(name) > side // 4:
                    style.setPropertyValue(name, side // 4)
        style.Size = size


def render(desktop, document, pdf, paper=b""):
    url = uno.systemPathToFileUrl(os.path.abspath(os.fsdecode(document)))
    target = uno.systemPathToFileUrl(os.path.abspath(os.fsdecode(pdf)))
    doc = desktop.loadComponentFromURL(url, "_blank", 0, props(LOAD))
    if doc is None:
        raise RuntimeError("LibreOffice could not read the document")
    try:
        if paper:
            set_paper(doc, paper.decode("ascii", "replace"))
        doc.storeToURL(target, export_props())
    finally:
        doc.close(True)


def ended_office(office, desktop):
    """How the office ended, when a failed call was its end; empty while it still answers.
    Its launcher may outlive a crashed office, so a call that fails says it as well."""
    try:
        desktop.getFrames()
        return ""
    except Exception:  # noqa: BLE001 - no answer is the office's end
        pass
    try:
        status = office.wait(timeout=1)
    except subprocess.TimeoutExpired:
        return "LibreOffice stopped answering"
    if status < 0:
        return "LibreOffice was ended by signal %d" % -status
    return "LibreOffice stopped with status %d" % status


def main():
    program, profile, pipe = sys.argv[1:4]
    office = subprocess.Popen(
        [program, "--headless", "--invisible", "--nologo", "--norestore", "--nodefault",
         "--nolockcheck", "-env:UserInstallation=" + profile,
         "--accept=pipe,name=%s;urp;StarOffice.ComponentContext" % pipe],
        stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        desktop = connect(pipe, office)
    except Exception as error:  # noqa: BLE001 - any failure to start is the one answer
        answer("failed", str(error))
        office.kill()
        return 1
    answer("ready")
    source = sys.stdin.buffer
    while True:
        document = read_field(source)
        pdf = read_field(source) if document is not None else None
        paper = read_field(source) if pdf is not None else None
        if paper is None:
            break
        try:
            render(desktop, document, pdf, paper)
            answer("ok")
        except Exception as error:  # noqa: BLE001 - the document fails, the caller decides
            ended = ended_office(office, desktop)
            if ended:
                answer("ended", ended)
                return 1
            answer("failed", getattr(error, "Message", "") or str(error) or type(error).__name__)
    try:
        desktop.terminate()
    except Exception:  # noqa: BLE001 - ending anyway
        pass
    try:
        office.wait(timeout=10)
    except subprocess.TimeoutExpired:
        office.kill()
    return 0


if __name__ == "__main__":
    sys.exit(main())
