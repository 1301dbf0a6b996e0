#!/usr/bin/env python3
"""Turns linetrigger_bench's JSON output into the ratios the project tracks."""
import json
import sys

data = json.load(open(sys.argv[1]))
# With --benchmark_repetitions the medians are used, otherwise the single runs.
medians = [b for b in data["benchmarks"] if b.get("aggregate_name") == "median"]
chosen = medians if medians else data["benchmarks"]
times = {b.get("run_name", b["name"]).replace("/real_time", ""): b["real_time"] for b in chosen}
counters = {b.get("run_name", b["name"]).replace("/real_time", ""): b for b in chosen}
rates = {b.get("run_name", b["name"]).replace("/real_time", ""): b.get("items_per_second", 0) for b in chosen}
reference = times["BM_ReferenceParseAndRender"]
actions = [
    ("mode switch", "ModeSwitch"),
    ("channel count 1 -> 2 -> 1", "Channels"),
    ("signal type", "SignalType"),
    ("source A line", "SourceA"),
    ("direction", "Direction"),
]
print(f"R (parse + render one diagram at 650 px) = {reference:.0f} us")
print("| action (each pair timed both ways) | with the repaint it causes | handler alone | over the network, against its floor |")
print("|---|---|---|---|")
for label, name in actions:
    painted = times[f"BM_Action/{name}/1"] / (2 * reference)
    handler = times[f"BM_Action/{name}/0"] / (2 * reference)
    network = counters.get(f"BM_ActionOverTheNetwork/{name}/iterations:5")
    over = f"{network['real_time'] / network['floor_us']:.2f} x floor" if network and "floor_us" in network else "not run"
    print(f"| {label} | {painted:.2f} R | {handler:.2f} R | {over} |")
print()
print("| measurement | time (us) | ratio |")
print("|---|---|---|")
print(f"| tick with all nine observed changed | {times['BM_TickAllObservedChanged']:.0f} | {times['BM_TickAllObservedChanged'] / reference:.2f} R |")
startup = times["BM_PluginLoadInitializeAndShow"] / times["BM_BareFormShown"]
print(f"| plug-in load + initialize + first show | {times['BM_PluginLoadInitializeAndShow']:.0f} | {startup:.2f} x bare form |")
styled = times["BM_BareFormWithStyleSheetShown"] / times["BM_BareFormShown"]
print(f"| bare form with the page's style sheet | {times['BM_BareFormWithStyleSheetShown']:.0f} | {styled:.2f} x bare form |")
installed = times["BM_StyledFormInstalledAsATab"]
print(f"| styled form installed as a tab like the page | {installed:.0f} | {installed / times['BM_BareFormShown']:.2f} x bare form |")
print(f"| plug-in start-up against the styled form installed as a tab | | {times['BM_PluginLoadInitializeAndShow'] / installed:.2f} x |")
throughput = rates["BM_ObserverThroughput"] / rates["BM_PlainQueuedSignalThroughput"]
print(f"| observer throughput | {rates['BM_ObserverThroughput'] / 1e6:.2f} M/s | {throughput:.2f} x plain queued signal |")
if "BM_PlainCopyOfLines" in times:
    copy = times["BM_PlainCopyOfLines"]
    print()
    print("| simulated camera, 4096 pixels at 80 kHz | per line | against a plain copy of its bytes |")
    print("|---|---|---|")
    for label, name in (("internal line rate", "BM_SimulatedLines/0"), ("from the encoder, 8 m/s", "BM_SimulatedLines/1")):
        print(f"| {label} | {times[name] / 800 * 1000:.0f} ns | {times[name] / copy:.2f} x |")
    print(f"| reference: plain copy | {copy / 800 * 1000:.0f} ns | 1 |")
if "BM_StretchFromImage" in times:
    measure, snapshot = times["BM_StretchFromImage"], times["BM_HistorySnapshot"]  # both in ms
    print()
    print("| square pixels from the image, 4096 lines of 4096 pixels | time (ms) | against one copy of the lines |")
    print("|---|---|---|")
    print(f"| circles found and measured | {measure:.0f} | {measure / snapshot:.0f} x |")
    print(f"| reference: the history's snapshot | {snapshot:.2f} | 1 |")
