#!/usr/bin/env python3
"""Prints the table of scripts/bench.sh from the JSON results in a directory:
the median of the repetitions of each benchmark (or its single run)."""
import json
import os
import sys


def load(directory, name):
    path = os.path.join(directory, name + ".json")
    if not os.path.exists(path):
        return {}
    with open(path) as f:
        data = json.load(f)
    runs = {}
    for b in data.get("benchmarks", []):
        if b.get("error_occurred"):
            continue
        key = b.get("run_name", b["name"])
        if b.get("run_type") == "aggregate":
            if b.get("aggregate_name") == "median":
                runs[key] = b
        elif key not in runs or runs[key].get("run_type") != "aggregate":
            runs.setdefault(key, b)
    return runs


def ms(b):
    scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[b.get("time_unit", "ns")]
    return b["real_time"] * scale


rows = []


def row(path, figure, baseline, ratio):
    rows.append((path, figure, baseline, ratio))


def main(directory):
    effects = load(directory, "effects")
    clear = effects.get("BM_ClearOnlyFrame/min_time:0.500/real_time")
    clear_ms = ms(clear) if clear else None
    frames = {}
    for key, b in sorted(effects.items()):
        if key.startswith("BM_EffectFrame_"):
            frames[key[len("BM_EffectFrame_"):].split("/")[0]] = b
    for effect, b in sorted(frames.items()):
        t = ms(b)
        figure = "%.1f ms (%.1f fps), CPU %.2f ms" % (t, 1e3 / t, b.get("cpu_ms", 0.0))
        if "_Scale" in effect:
            # against the same effect at scale 1, from the same run
            name, scale = effect.split("_Scale")
            whole = frames.get(name)
            row("frame: %s at render scale %s" % (name, scale[0] + "." + scale[1:]), figure,
                "scale 1 %.1f ms" % ms(whole) if whole else "-", "%.2f x" % (t / ms(whole)) if whole else "-")
            continue
        label = {"Tunnel_Bend": "Tunnel at a bend (10 s)"}.get(effect, effect)
        row("frame: " + label, figure,
            "clear-only frame %.2f ms" % clear_ms if clear_ms else "-", "%.0f x" % b.get("clear_frames", 0.0))
    cubes = load(directory, "cubes")
    floor = next((b for k, b in cubes.items() if k.startswith("BM_CloudsFloor")), None)
    for key, b in sorted(cubes.items()):
        if key.startswith("BM_CubesFramePart"):
            label = b.get("label", key)
            if label == "clouds" and floor:
                # the driver's floor: the same quads through the simplest program
                row("  cubes part: clouds", "%.1f ms" % ms(b), "floor (same quads at full size, 1x1 texture) %.1f ms" % ms(floor),
                    "%.2f x" % (ms(b) / ms(floor)))
            else:
                row("  cubes part: " + label, "%.1f ms" % ms(b), "", "")
    startup = load(directory, "startup")
    demo = next((b for k, b in startup.items() if k.startswith("BM_StartupToFirstFrame")), None)
    window = next((b for k, b in startup.items() if k.startswith("BM_StartupWindowOnly")), None)
    if demo:
        row("start-up to first frame", "%.2f s" % (ms(demo) / 1e3),
            "bare window start %.0f ms" % ms(window) if window else "-", "%.1f x" % demo.get("window_starts", 0.0))
    for key, b in load(directory, "editor").items():
        row("editor update + draw", "CPU %.2f ms (unfolded, grid)" % b.get("editor_cpu_ms", 0.0),
            "frame, editor hidden: CPU %.2f ms" % b.get("hidden_frame_cpu_ms", 0.0),
            "%.2f x" % (b.get("editor_cpu_ms", 0.0) / max(b.get("hidden_frame_cpu_ms", 0.0), 1e-9)))
    dump = load(directory, "dump")
    for key, b in dump.items():
        row("dumping 1280x720", "%.1f fps" % b.get("dump_fps", 0.0),
            "glReadPixels + raw writes %.1f fps" % b.get("raw_fps", 0.0), "%.2f x" % b.get("ratio", 0.0))
    for name, label in (("xml", "XML read"), ("z3d", "scene-file load"), ("am", "image decode")):
        for key, b in sorted(load(directory, name).items()):
            mb = b.get("bytes_per_second", 0.0) / 1e6
            what = label if name != "am" else label + " " + key.split("/")[0][len("BM_"):]
            # throughput counts the file's size for xml and z3d, the pixels for images
            unit = "MB/s of pixels" if name == "am" else "MB/s of file"
            row(what, "%.0f %s, %.1f ms" % (mb, unit, ms(b)), "memcpy of the file",
                "%.0f x" % b.get("x_copy", 0.0))
    path = os.path.join(directory, "render.json")
    if os.path.exists(path):
        with open(path) as f:
            r = json.load(f)
        one, two = r["frames"] / r["j1_s"], r["frames"] / r["j2_s"]
        row("render.sh 10 s at 640x360, -j 2", "%.1f fps (%.1f s)" % (two, r["j2_s"]),
            "-j 1 %.1f fps (%.1f s)" % (one, r["j1_s"]), "%.2f x" % (two / one))
    watch = load(directory, "watch")
    look = next((b for k, b in watch.items() if k.startswith("BM_WatchTimesLook")), None)
    for key, b in sorted(watch.items()):
        if not key.startswith("BM_WatchFrame"):
            continue
        cpu_ms = b["cpu_time"] * {"ns": 1e-6, "us": 1e-3, "ms": 1.0}[b.get("time_unit", "ns")]
        how = b.get("label", "")
        figure = "%.4f ms CPU a frame" % cpu_ms
        if how == "times" and look:
            # one look at every file's time each 0.2 s, at 60 frames a second
            look_ms = look["cpu_time"] * {"ns": 1e-6, "us": 1e-3, "ms": 1.0}[look.get("time_unit", "ns")]
            cpu_ms += look_ms / 12.0
            figure = "%.4f ms CPU a frame at 60 fps (%.3f ms every 0.2 s)" % (cpu_ms, look_ms)
        row("live editing, %d files, %s" % (b.get("files", 0), how), figure,
            "clear-only frame %.2f ms" % clear_ms if clear_ms else "-",
            "%.4f x" % (cpu_ms / clear_ms) if clear_ms else "-")
    widths = [max(len(r[i]) for r in rows + [("Hot path", "Figure", "Baseline (same run)", "Ratio")])
              for i in range(4)]
    def line(cells):
        print("| " + " | ".join(c.ljust(w) for c, w in zip(cells, widths)) + " |")
    line(("Hot path", "Figure", "Baseline (same run)", "Ratio"))
    print("|" + "|".join("-" * (w + 2) for w in widths) + "|")
    for r in rows:
        line(r)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else ".")
