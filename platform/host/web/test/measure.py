#!/usr/bin/env python3
"""The browser build's figures, for the README: what a frame of each display costs in headless
Chromium beside the native benchmark, the time from loading the page to its first picture,
and what the page transfers, gzipped.

  measure.py PAGE_FOLDER NATIVE_FRAME_BENCH
"""

import gzip
import json
import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import cdp  # noqa: E402

PAGE_FILES = ["index.html", "orvel.js", "orvel.wasm"]


def main():
    page, native_bench = sys.argv[1:3]
    # The least CPU time of five runs: on a busy machine the others count its interruptions.
    native = subprocess.run([native_bench, "--benchmark_format=json",
                             "--benchmark_repetitions=5"], check=True,
                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL).stdout
    native_micros = {}
    for b in json.loads(native)["benchmarks"]:
        if b.get("run_type", "iteration") == "iteration":
            name = b["run_name"] if "run_name" in b else b["name"]
            native_micros[name] = min(native_micros.get(name, b["cpu_time"]), b["cpu_time"])
    with open(os.path.join(page, "native-bench.json"), "w") as out:
        json.dump({"benchmarks": [{"name": n, "cpu_time": t} for n, t in native_micros.items()]},
                  out)

    sizes = {name: len(gzip.compress(open(os.path.join(page, name), "rb").read(), 9))
             for name in PAGE_FILES}
    server = cdp.Server(page)
    browser = cdp.Browser()
    try:
        firsts = []
        for _ in range(3):
            browser.open(server.url + "?input=demo")
            browser.wait_for("window.orvelFirstPicture !== undefined", "the first picture")
            firsts.append(browser.evaluate("window.orvelFirstPicture"))
            browser.open("about:blank")
        browser.open(server.url + "bench.html")
        browser.wait_for("window.benchDone", "the benchmarks", timeout=300)
        web_micros = browser.evaluate("window.benchResults")
    finally:
        browser.close()
        server.close()

    print("page transferred, gzipped: %.0f KB (%s)" %
          (sum(sizes.values()) / 1000,
           ", ".join("%s %.0f KB" % (n, s / 1000) for n, s in sizes.items())))
    print("load to first picture: %s ms" % " / ".join("%.0f" % f for f in firsts))
    print("\n| display | native (us) | browser (us) | browser / native |\n|---|---|---|---|")
    for name, micros in web_micros.items():
        n = native_micros.get(name)
        print("| %s | %.1f | %.1f | %s |" % (name, n or 0, micros,
                                            "%.2f" % (micros / n) if n else ""))


if __name__ == "__main__":
    main()
