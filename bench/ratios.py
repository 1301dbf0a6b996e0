#!/usr/bin/env python3
"""Turns linetrigger_bench's JSON output into the ratios the project tracks."""
import json
import sys

data = json.load(open(sys.argv[1]))
times = {b["name"]: b["real_time"] for b in data["benchmarks"]}
rates = {b["name"]: b.get("items_per_second", 0) for b in data["benchmarks"]}
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
throughput = rates["BM_ObserverThroughput"] / rates["BM_PlainQueuedSignalThroughput"]
print(f"| observer throughput | {rates['BM_ObserverThroughput'] / 1e6:.2f} M/s | {throughput:.2f} x plain queued signal |")
