# The renderer's bridge: started by lorvane_pdf with its own private folder, it starts one
# headless LibreOffice Writer with a private profile, connects to it over a named pipe and
# then turns RTF documents into PDF/A-3b files, one request at a time, until its input ends.
#
# Requests on standard input, each field ended by a NUL byte: the document's path, the PDF's
# path. Answers on standard output, the same way: a word ("ready" once connected, then "ok"
# or "failed" for each request) and a reason (empty unless failed).
#
# Arguments: <office program> <profile URL> <pipe name>. The caller owns the process group
# and ends every process in it when a document takes too long or the run stops.
#
# When the caller is gone without ending the group (killed outright), nothing of its run may
# stay: a watcher notices within a tenth of a second that this bridge's parent is no longer
# the program named by LORVANE_PDF_PARENT and starts a helper outside the group, which ends
# the whole group (this bridge, LibreOffice's launcher and office), waits until none of it
# runs, then removes the office's sockets and the renderer's private folder
# (LORVANE_PDF_FOLDER).
import hashlib
import os
import shutil
import signal
import subprocess
import sys
import threading
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


def parent_gone():
    parent = os.environ.get("LORVANE_PDF_PARENT", "")
    return parent.isdigit() and os.getppid() != int(parent)


def office_sockets(profile, pipe):
    """The sockets an office with this profile URL and pipe makes: its accepting pipe and
    its single-instance pipe, named after the MD5 of the URL in UTF-16LE with each byte in
    hex without a leading zero."""
    digest = "".join("%x" % b for b in hashlib.md5(profile.encode("utf-16-le")).digest())
    prefix = "OSL_PIPE_%d_" % os.getuid()
    return [folder + prefix + name for folder in ("/tmp/", "/var/tmp/")
            for name in (pipe, "SingleOfficeIPC_" + digest)]


def group_runs(group):
    """True while a process of the group is alive (zombies do not count)."""
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/stat" % entry, "rb") as stat:
                fields = stat.read().rsplit(b")", 1)[1].split()
        except (OSError, IndexError):
            continue
        if len(fields) > 2 and int(fields[2]) == group and fields[0] not in (b"Z", b"X"):
            return True
    return False


def clean_up(group, profile, pipe):
    """In the helper: end the group, then remove what its processes made."""
    deadline = time.monotonic() + 10
    while time.monotonic() < deadline:
        try:
            os.killpg(group, signal.SIGKILL)
        except ProcessLookupError:
            break
        if not group_runs(group):
            break
        time.sleep(0.02)
    for path in office_sockets(profile, pipe):
        try:
            about = os.lstat(path)
            if about.st_uid == os.getuid() and (about.st_mode & 0o170000) == 0o140000:
                os.unlink(path)
        except OSError:
            pass
    folder = os.environ.get("LORVANE_PDF_FOLDER", "")
    if folder:
        shutil.rmtree(folder, ignore_errors=True)


ABANDONED = threading.Lock()


def abandon(profile, pipe):
    """The caller is gone: hand the ending to a helper outside this group; never returns."""
    if ABANDONED.acquire(blocking=False):
        group = os.getpgrp()
        if os.fork() == 0:
            try:
                os.setsid()  # out of the group it is about to end
                clean_up(group, profile, pipe)
            finally:
                os._exit(0)
    while True:
        time.sleep(1)  # the helper ends this process


def watch(profile, pipe):
    while not parent_gone():
        time.sleep(0.1)
    abandon(profile, pipe)


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


def render(desktop, document, pdf):
    url = uno.systemPathToFileUrl(os.path.abspath(os.fsdecode(document)))
    target = uno.systemPathToFileUrl(os.path.abspath(os.fsdecode(pdf)))
    doc = desktop.loadComponentFromURL(url, "_blank", 0, props(LOAD))
    if doc is None:
        raise RuntimeError("LibreOffice could not read the document")
    try:
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
    threading.Thread(target=watch, args=(profile, pipe), daemon=True).start()
    try:
        return serve(program, profile, pipe)
    except BaseException:
        # A broken exchange may be the caller's end, seen a moment before this bridge is
        # handed to another parent.
        deadline = time.monotonic() + 1
        while not parent_gone() and time.monotonic() < deadline:
            time.sleep(0.02)
        raise
    finally:
        # An answer that could not be written, or the end of the requests, may be the
        # caller's end: then the helper ends everything, this bridge included.
        if parent_gone():
            abandon(profile, pipe)


def serve(program, profile, pipe):
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
        if pdf is None:
            break
        try:
            render(desktop, document, pdf)
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
