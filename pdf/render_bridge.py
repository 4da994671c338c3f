# The renderer's bridge: started by lorvane_pdf with its own private folder, it starts one
# headless LibreOffice Writer with a private profile, connects to it over a named pipe and
# then turns RTF documents into PDF/A-3b files, one request at a time, until its input ends.
#
# Requests on standard input, each field ended by a NUL byte: the document's path, the PDF's
# path, the paper ("WIDTH HEIGHT" in hundredths of a millimetre, empty to keep the
# document's own). Answers on standard output, the same way: a word (READY once connected,
# then OK, FAILED, or ENDED when the office stopped answering, for each request) and a
# reason (empty unless failed or ended).
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
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time

import uno
from com.sun.star.beans import PropertyValue
from com.sun.star.connection import NoConnectException

# The answer words. pdf/bridge_words.h defines them, and the build writes them in here (the
# program carries this text with the words in place).
READY = "@BRIDGE_READY@"
OK = "@BRIDGE_OK@"
FAILED = "@BRIDGE_FAILED@"
ENDED = "@BRIDGE_ENDED@"

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


def set_paper(doc, paper):
    """Gives the page styles the loaded document uses the paper `paper` ("WIDTH HEIGHT" in
    hundredths of a millimetre), turned to landscape where the style is, its margins kept
    and narrowed only where the page would leave no room for text."""
    try:
        width, height = (int(side) for side in paper.split())
    except ValueError:
        return
    if width <= 0 or height <= 0:
        return
    styles = doc.getStyleFamilies().getByName("PageStyles")
    for name in page_styles_in_use(doc, styles):
        style = styles.getByName(name)
        # Read in one call and written in one, margins before the size: each call costs.
        values = style.getPropertyValues(PAPER_READ)
        landscape, margins, now = values[0], values[1:5], values[5]
        size = uno.createUnoStruct("com.sun.star.awt.Size")
        size.Width, size.Height = (max(width, height), min(width, height)) if landscape else (width, height)
        names = []
        changed = []
        # Margins no more than a quarter of the side each, so the text keeps half the page.
        for name, margin in zip(PAPER_READ[1:5], margins):
            side = size.Width if name in ("LeftMargin", "RightMargin") else size.Height
            if margin > side // 4:
                names.append(name)
                changed.append(side // 4)
        if names or now.Width != size.Width or now.Height != size.Height:
            style.setPropertyValues(tuple(names) + ("Size",), tuple(changed) + (size,))


PAPER_READ = ("IsLandscape", "LeftMargin", "RightMargin", "TopMargin", "BottomMargin", "Size")
# The page styles every Writer document has; an imported document's own pages (its sections)
# get styles of other names. Each style costs calls to the office, so the unused ones are left.
BUILT_IN_PAGE_STYLES = frozenset(("Standard", "First Page", "Left Page", "Right Page", "Envelope", "Index",
                                  "HTML", "Footnote", "Endnote", "Landscape"))


def page_styles_in_use(doc, styles):
    """The page styles the document's pages can have: the one its text begins on and every
    style its import made; the office's built-in styles that nothing uses are left out."""
    names = {name for name in styles.getElementNames() if name not in BUILT_IN_PAGE_STYLES}
    names.add(first_page_style(doc, styles))
    return sorted(names)


def first_page_style(doc, styles):
    """The name of the page style the document's text begins on ("Standard" when it names
    none the document has)."""
    try:
        first = doc.getText().createTextCursor().getPropertyValue("PageStyleName")
    except Exception:
        first = ""
    return first if first and styles.hasByName(first) else "Standard"


# What the loaded document is mended with before it is stored as PDF, so that nothing the
# document holds is lost on the page. The document's file is never changed.
LINK_STYLE = "Lorvane Link"            # an empty character style: the link looks as before
DEFAULT_CHAR_STYLES = ("", "Default Style", "Standard")
FULL_WIDTH = 2                         # com.sun.star.text.HoriOrientation.FULL
LEFT_AND_WIDTH = 7                     # com.sun.star.text.HoriOrientation.LEFT_AND_WIDTH
ADDRESS = r"[A-Za-z0-9._%+-]+@[A-Za-z0-9-]+(\.[A-Za-z0-9-]+)+"
BULLET = "\u2022"


def walk(text, on_paragraph, on_table, depth=0):
    """Calls on_paragraph for every paragraph of `text` and on_table(table, depth) for every
    table, nested tables inside their cells included (depth 0: not inside a table)."""
    items = text.createEnumeration()
    while items.hasMoreElements():
        item = items.nextElement()
        if item.supportsService("com.sun.star.text.TextTable"):
            on_table(item, depth)
            for name in item.getCellNames():
                walk(item.getCellByName(name), on_paragraph, on_table, depth + 1)
        elif item.supportsService("com.sun.star.text.Paragraph"):
            on_paragraph(item)


def every_text(doc):
    """The body and each text frame's text."""
    texts = [doc.Text]
    frames = doc.TextFrames
    for name in frames.getElementNames():
        texts.append(frames.getByName(name).Text)
    return texts


PAGE_SIZES = ("Width", "Height", "LeftMargin", "RightMargin", "TopMargin", "BottomMargin",
              "HeaderIsOn", "HeaderHeight", "FooterIsOn", "FooterHeight")


def text_area(doc):
    """The width and height (1/100 mm) inside the margins, header and footer of the page
    style the document starts with."""
    styles = doc.StyleFamilies.getByName("PageStyles")
    style = styles.getByName(first_page_style(doc, styles))
    # One call for all of them: each call to the office costs.
    (page_width, page_height, left, right, top, bottom, header, header_height, footer,
     footer_height) = style.getPropertyValues(PAGE_SIZES)
    width = page_width - left - right
    height = page_height - top - bottom
    if header:
        height -= header_height
    if footer:
        height -= footer_height
    return max(width, 1000), max(height, 1000)


def link_style(doc):
    styles = doc.StyleFamilies.getByName("CharacterStyles")
    if not styles.hasByName(LINK_STYLE):
        styles.insertByName(LINK_STYLE, doc.createInstance("com.sun.star.style.CharacterStyle"))
    return LINK_STYLE


def keep_links(doc):
    """Writer exports a link to the PDF only when its character style is not the default
    one, and its RTF import gives every field link the default one: each such link gets an
    empty style of its own, which changes nothing of its look. (Found by an attribute search:
    going through every text portion costs a call to the office each.)"""
    search = doc.createSearchDescriptor()
    search.SearchString = ""
    search.setValueSearch(False)
    uno.invoke(search, "setSearchAttributes",
               (uno.Any("[]com.sun.star.beans.PropertyValue", props({"HyperLinkURL": ""})),))
    found = doc.findAll(search)
    style = None
    for i in range(found.getCount() if found else 0):
        place = found.getByIndex(i)
        if place.UnvisitedCharStyleName in DEFAULT_CHAR_STYLES:
            style = style or link_style(doc)
            place.UnvisitedCharStyleName = style
            place.VisitedCharStyleName = style


def link_addresses(doc):
    """Every e-mail address written as plain text (the header block's, a body's) becomes a
    mailto: link."""
    search = doc.createSearchDescriptor()
    search.SearchString = ADDRESS
    search.SearchRegularExpression = True
    found = doc.findAll(search)
    style = None
    for i in range(found.getCount()):
        place = found.getByIndex(i)
        if place.HyperLinkURL:
            continue
        style = style or link_style(doc)
        place.HyperLinkURL = "mailto:" + place.getString()
        place.UnvisitedCharStyleName = style
        place.VisitedCharStyleName = style


def room_below(doc, shape, height):
    """How much of the text area's `height` is left on its page below what comes before
    the shape's paragraph (a whole text area when the paragraph starts the text)."""
    anchor = shape.Anchor
    cursor = anchor.getText().createTextCursorByRange(anchor.getStart())
    cursor.gotoStartOfParagraph(False)
    if not cursor.goLeft(1, False):
        return height
    view = doc.CurrentController.getViewCursor()
    view.gotoRange(cursor, False)
    # The last line before it: its top, its font's height with leading, the spacing after.
    line = int(cursor.CharHeight * 2540 / 72 * 1.3) + cursor.ParaBottomMargin
    bottom = view.getPosition().Y + line
    view.jumpToStartOfPage()
    return height - (bottom - view.getPosition().Y) - 300


def fit_pictures(doc):
    """A picture or drawing larger than the text area is scaled down to fit it, keeping its
    proportions; one that would then still not fit below the text before it, yet would at
    half its size or more, is made that much smaller again, so that it stays on the page
    of that text instead of leaving the page empty below it."""
    shapes = doc.DrawPage
    if shapes.getCount() == 0:
        return
    width, height = text_area(doc)
    for i in range(shapes.getCount()):
        shape = shapes.getByIndex(i)
        size = shape.Size
        if size.Width <= 0 or size.Height <= 0:
            continue
        scale = min(width / size.Width, height / size.Height)
        if scale >= 1:
            continue
        try:
            room = room_below(doc, shape, height)
            if size.Height * scale / 2 <= room < size.Height * scale:
                scale = room / size.Height
        except Exception:  # noqa: BLE001 - where the page is not known, the text area counts
            pass
        size.Width = max(int(size.Width * scale), 1)
        size.Height = max(int(size.Height * scale), 1)
        shape.Size = size


def fit_tables(doc):
    """A table of the body wider than the text area, or starting left of it, takes the text
    area's width, its columns keeping their shares; a table inside another one with a fixed
    width wider than the text area takes its cell's width. (A table is inside another when
    its anchor lies in a table: asked of the few tables too wide, which costs less than
    going through the body's paragraphs to find the outer ones.)"""
    every = doc.TextTables
    count = every.getCount()
    if count == 0:
        return
    width, _ = text_area(doc)
    outer = []
    inner = []
    for i in range(count):
        item = every.getByIndex(i)
        table_width = item.Width
        left = item.LeftMargin
        if table_width + max(left, 0) <= width and left >= 0:
            continue
        if item.getAnchor().TextTable is None:
            outer.append(item)
        elif not item.IsWidthRelative and table_width > width:
            inner.append(item)
    for item in outer:
        item.HoriOrient = LEFT_AND_WIDTH
        item.LeftMargin = 0
        item.Width = width
    for item in inner:
        item.HoriOrient = FULL_WIDTH
        item.RelativeWidth = 100


def mend_bullets(paragraphs):
    """A bullet LibreOffice could not read (an RTF "pntxtb" symbol byte read in a Chinese or
    Japanese code page) prints as the replacement character: it becomes a plain bullet."""
    for item in paragraphs:
        rules = item.NumberingRules
        level = item.NumberingLevel
        if rules is None or level is None or level < 0 or level >= rules.getCount():
            continue
        values = list(rules.getByIndex(level))
        mended = False
        for value in values:
            if value.Name == "BulletChar" and value.Value in ("\ufffd", "?"):
                value.Value = BULLET
                mended = True
        if mended:
            for value in values:
                if value.Name == "BulletFontName":
                    value.Value = ""
            uno.invoke(rules, "replaceByIndex",
                       (level, uno.Any("[]com.sun.star.beans.PropertyValue", tuple(values))))
            item.NumberingRules = rules


def mend(doc, needs, times=None):
    """Each mending step the document may need (`needs`, from document_needs); one that
    fails leaves the rest of the document as it was read. `times`, when given, gathers each
    step's seconds by its name."""
    for name, step in STEPS:
        if name not in needs:
            continue
        start = time.perf_counter()
        try:
            step(doc)
        except Exception:  # noqa: BLE001 - a step that fails changes nothing more
            pass
        if times is not None:
            times[step.__name__] = times.get(step.__name__, 0.0) + time.perf_counter() - start


def old_bullets_of(doc):
    mend_bullets(paragraphs(doc))


STEPS = (("links", keep_links), ("addresses", link_addresses), ("pictures", fit_pictures),
         ("tables", fit_tables), ("bullets", old_bullets_of))

# What in a document's RTF (control words lower-cased, as RTF writes them) can make a step
# needed; without any of them the step finds nothing, so its calls to the office are saved.
# The list errs towards too much: a word that is there for another reason costs one step.
SIGNS = {
    # A HYPERLINK field, in any case, after the control words that may open its
    # instruction (a style named "Hyperlink" alone makes no link).
    "links": (re.compile(rb"\\fldinst[^\"]{0,400}hyperlink"),),
    "addresses": (b"@", b"\\'40", b"\\u64"),           # an @ as itself or escaped
    "pictures": (b"\\pict", b"\\shp", b"\\object", b"\\do", b"\\pos", b"\\abs",
                 b"\\ph", b"\\pv", b"\\dfrm", b"\\wrap"),  # pictures, objects, shapes, frames
    "tables": (b"\\trowd", b"\\row", b"\\cell", b"\\intbl", b"\\itap", b"\\nestcell"),
    # A Word 6 list bullet given as a byte above 127, which a code page may misread.
    "bullets": (re.compile(rb"\\pntxtb[ {]{0,8}\\'[89a-f]"),),
}
LONGEST_SIGN = 512  # more than the longest text a sign can match


def document_needs(document):
    """The names of the mending steps the document's RTF may need, read once in pieces."""
    needs = set()
    with open(document, "rb") as source:
        tail = b""
        while len(needs) < len(SIGNS):
            piece = source.read(1 << 20)
            if not piece:
                break
            text = tail + piece.lower()
            for name, words in SIGNS.items():
                if name not in needs and any(
                        word.search(text) if isinstance(word, re.Pattern) else word in text
                        for word in words):
                    needs.add(name)
            tail = text[-(LONGEST_SIGN - 1):]
    return needs


def paragraphs(doc):
    """Every paragraph of the body, of its tables at any depth and of its text frames."""
    found = []
    for text in every_text(doc):
        walk(text, found.append, lambda table, depth: None)
    return found


HEX_RUN = re.compile(rb"(?:\\'[0-9A-Fa-f]{2})+")


def readable_escapes(rtf):
    """An RTF document that says its code page is UTF-8 (\\ansicpg65001) yet writes single
    bytes of code page 1252 as hex escapes (Outlook's "\\'a0" for a no-break space) has them
    read as broken UTF-8, printed as "?" in a diamond: each run of escapes that is no UTF-8
    is rewritten as the 1252 characters it spells. None when nothing needs it."""
    head = rtf[:256]
    if b"\\ansicpg65001" not in head or b"\\bin" in rtf:
        return None
    changed = False

    def rewrite(found):
        nonlocal changed
        data = bytes(int(found.group(0)[i + 2:i + 4], 16) for i in range(0, len(found.group(0)), 4))
        try:
            data.decode("utf-8")
            return found.group(0)
        except UnicodeDecodeError:
            changed = True
            text = data.decode("cp1252", "replace")
            return b"{\\uc1" + b"".join(b"\\u%d?" % (ord(c) if ord(c) < 32768 else ord(c) - 65536) for c in text) + b"}"

    mended = HEX_RUN.sub(rewrite, rtf)
    return mended if changed else None


def loadable(document):
    """The document's path, or a mended copy's in the bridge's own temporary folder."""
    with open(document, "rb") as source:
        if b"\\ansicpg65001" not in source.read(256):
            return document, None
        source.seek(0)
        rtf = source.read()
    mended = readable_escapes(rtf)
    if mended is None:
        return document, None
    handle, copy = tempfile.mkstemp(suffix=".rtf")
    with os.fdopen(handle, "wb") as out:
        out.write(mended)
    return copy, copy


def render(desktop, document, pdf, paper=b""):
    document, copy = loadable(document)
    try:
        render_file(desktop, document, pdf, paper)
    finally:
        if copy:
            os.unlink(copy)


def render_file(desktop, document, pdf, paper):
    url = uno.systemPathToFileUrl(os.path.abspath(os.fsdecode(document)))
    target = uno.systemPathToFileUrl(os.path.abspath(os.fsdecode(pdf)))
    doc = desktop.loadComponentFromURL(url, "_blank", 0, props(LOAD))
    if doc is None:
        raise RuntimeError("LibreOffice could not read the document")
    try:
        # The paper first: what is mended is fitted to the page the PDF will have.
        if paper:
            set_paper(doc, paper.decode("ascii", "replace"))
        mend(doc, document_needs(document))
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
        answer(FAILED, str(error))
        office.kill()
        return 1
    answer(READY)
    source = sys.stdin.buffer
    while True:
        document = read_field(source)
        pdf = read_field(source) if document is not None else None
        paper = read_field(source) if pdf is not None else None
        if paper is None:
            break
        try:
            render(desktop, document, pdf, paper)
            answer(OK)
        except Exception as error:  # noqa: BLE001 - the document fails, the caller decides
            ended = ended_office(office, desktop)
            if ended:
                answer(ENDED, ended)
                return 1
            answer(FAILED, getattr(error, "Message", "") or str(error) or type(error).__name__)
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
