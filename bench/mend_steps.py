# What each of the PDF bridge's mending steps costs: one headless office (as the bridge
# starts it), every .doc/.rtf of the given folders loaded, mended step by step, stored as
# PDF/A and closed, N rounds; prints the best of the rounds for each document, summed per
# step, in milliseconds.
#
#   python3 bench/mend_steps.py [--rounds N] [--bridge pdf/render_bridge.py] [--plain]
#       [--office soffice] FOLDER...
#
# --plain stores each document as it was read (no mending), for the cost of the rest.
# Needs LibreOffice and python3-uno. Figures on a loaded machine vary: compare two bridges
# in one sitting.
import argparse
import importlib.util
import os
import shutil
import subprocess
import sys
import tempfile
import time


def load_bridge(path):
    spec = importlib.util.spec_from_file_location("render_bridge", path)
    module = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(module)
    return module


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser()
    parser.add_argument("--rounds", type=int, default=2)
    parser.add_argument("--bridge", default=os.path.join(here, "..", "pdf", "render_bridge.py"))
    parser.add_argument("--office", default=shutil.which("soffice") or "/usr/bin/soffice")
    parser.add_argument("--plain", action="store_true")
    parser.add_argument("folders", nargs="+")
    options = parser.parse_args()
    bridge = load_bridge(options.bridge)

    documents = []
    for folder in options.folders:
        for name in sorted(os.listdir(folder)):
            if name.endswith((".doc", ".rtf")):
                documents.append(os.path.join(folder, name))

    root = tempfile.mkdtemp(prefix="mend-steps-")
    pipe = "mendsteps%d" % os.getpid()
    profile = "file://" + root + "/profile"
    office = subprocess.Popen(
        [options.office, "--headless", "--invisible", "--nologo", "--norestore", "--nodefault",
         "--nolockcheck", "-env:UserInstallation=" + profile,
         "--accept=pipe,name=%s;urp;StarOffice.ComponentContext" % pipe],
        stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
        env=dict(os.environ, SAL_USE_VCLPLUGIN="svp"))
    best = {}
    try:
        desktop = bridge.connect(pipe, office)
        for _ in range(options.rounds):
            for document in documents:
                times = {}
                start = time.perf_counter()
                # The bridge's look at the file before loading, whichever way it does it.
                if hasattr(bridge, "document_needs"):
                    needs = bridge.document_needs(document)
                else:
                    needs = bridge.holds(document, b"\\pntxtb")
                path, copy = bridge.loadable(document)
                times["scan"] = time.perf_counter() - start
                url = bridge.uno.systemPathToFileUrl(os.path.abspath(path))
                start = time.perf_counter()
                doc = desktop.loadComponentFromURL(url, "_blank", 0, bridge.props(bridge.LOAD))
                times["load"] = time.perf_counter() - start
                if not options.plain:
                    bridge.mend(doc, needs, times)
                start = time.perf_counter()
                doc.storeToURL("file://" + root + "/out.pdf", bridge.export_props())
                times["store"] = time.perf_counter() - start
                start = time.perf_counter()
                doc.close(True)
                times["close"] = time.perf_counter() - start
                if copy:
                    os.unlink(copy)
                mine = best.setdefault(document, {})
                for step, seconds in times.items():
                    mine[step] = min(mine.get(step, seconds), seconds)
        desktop.terminate()
        office.wait(timeout=10)
    finally:
        if office.poll() is None:
            office.kill()
        shutil.rmtree(root, ignore_errors=True)

    steps = []
    for mine in best.values():
        for step in mine:
            if step not in steps:
                steps.append(step)
    mending = [s for s in steps if s not in ("scan", "load", "store", "close")]
    print("%d documents, best of %d rounds, milliseconds summed over the documents"
          % (len(best), options.rounds))
    total = 0.0
    for step in steps:
        ms = 1000 * sum(mine.get(step, 0.0) for mine in best.values())
        total += ms
        print("%-16s %9.1f" % (step, ms))
    mend_ms = 1000 * sum(mine.get(s, 0.0) for mine in best.values() for s in mending)
    print("%-16s %9.1f" % ("mending", mend_ms))
    print("%-16s %9.1f" % ("all", total))
    if os.environ.get("MEND_STEPS_EACH"):
        for document, mine in best.items():
            print(os.path.basename(document),
                  " ".join("%s=%.1f" % (s, 1000 * v) for s, v in mine.items()))
    return 0


if __name__ == "__main__":
    sys.exit(main())
