#!/usr/bin/env python3
"""Turns linetrigger_bench's JSON output into the ratios the project tracks."""
import json
import sys

data = json.load(open(sys.argv[1]))
# With --benchmark_repetitions the medians are used, otherwise the single runs.
medians = [b for b in data["benchmarks"] if b.get("aggregate_name") == "median"]
chosen = medians if medians else data["benchmarks"]
times = {b.get("run_name", b["name"]).replace("/real_time", ""): b["real_time"] for b in chosen}
rates = {b.get("run_name", b["name"]).replace("/real_time", ""): b.get("items_per_second", 0) for b in chosen}
reference = times["BM_ReferenceParseAndRender"]
rows = [
    ("mode switch, both ways (2 actions)", "BM_ModeSwitchBothWays", reference * 2),
    ("channels 1 -> 2 -> 1 (2 actions)", "BM_ChannelsOneTwoOne", reference * 2),
    ("signal type, both ways (2 actions)", "BM_SignalTypeBothWays", reference * 2),
    ("source A Line3 <-> Line4 (2 actions)", "BM_SourceALine3Line4", reference * 2),
    ("direction, both ways (2 actions)", "BM_DirectionBothWays", reference * 2),
    ("tick with all nine observed changed", "BM_TickAllObservedChanged", reference),
]
print(f"R (parse + render one diagram at 650 px) = {reference:.0f} us")
print("| measurement | time (us) | ratio |")
print("|---|---|---|")
for label, name, base in rows:
    print(f"| {label} | {times[name]:.0f} | {times[name] / base:.2f} R per action |")
startup = times["BM_PluginLoadInitializeAndShow"] / times["BM_BareFormShown"]
print(f"| plug-in load + initialize + first show | {times['BM_PluginLoadInitializeAndShow']:.0f} | {startup:.2f} x bare form |")
styled = times["BM_BareFormWithStyleSheetShown"] / times["BM_BareFormShown"]
print(f"| bare form with the page's style sheet | {times['BM_BareFormWithStyleSheetShown']:.0f} | {styled:.2f} x bare form |")
installed = times["BM_StyledFormInstalledAsATab"]
print(f"| styled form installed as a tab like the page | {installed:.0f} | {installed / times['BM_BareFormShown']:.2f} x bare form |")
print(f"| plug-in start-up against the styled form installed as a tab | | {times['BM_PluginLoadInitializeAndShow'] / installed:.2f} x |")
throughput = rates["BM_ObserverThroughput"] / rates["BM_PlainQueuedSignalThroughput"]
print(f"| observer throughput | {rates['BM_ObserverThroughput'] / 1e6:.2f} M/s | {throughput:.2f} x plain queued signal |")
