#!/usr/bin/env bash
# Plants one fault at a time in a scratch copy of the tree, rebuilds, runs the whole test suite and
# reports which faults it missed. The suite must pass on the unchanged copy first.
#
#   bash scripts/mutants.sh                 all faults
#   bash scripts/mutants.sh sdk-grid ...    only the named ones
#   bash scripts/mutants.sh --check         only check that every fault still applies to the code
#
# SCRATCH chooses the scratch folder (default /tmp/linetrigger-mutants); the report goes to
# standard output as a table, and the log of every run to $SCRATCH/logs.
set -euo pipefail
cd "$(dirname "$0")/.."
exec python3 - "$@" <<'PYTHON'
import os, re, shutil, subprocess, sys, time

# (id, file, the fault, text in the file, text it becomes). Each text must occur exactly once.
MUTANTS = [
    # sdk
    ("sdk-exception-class", "sdk/TovrikExceptions.cpp", "no-access status throws the invalid-value class",
     "    const std::string text = errorMessage(code);\n",
     "    const std::string text = errorMessage(code);\n    if (code == Status::NoAccess)\n        throw InvalidValueException(text);\n"),
    ("sdk-message-text", "sdk/TovrikExceptions.cpp", "error message loses the blank after the colon",
     '"] - Error description: "', '"] - Error description:"'),
    ("sdk-grid", "sdk/FeatureAccess.cpp", "grid tolerance dropped",
     "constexpr double gridTolerance = 1.000000000001;", "constexpr double gridTolerance = 1.0;"),
    ("sdk-clamp", "sdk/FeatureAccess.cpp", "missing clamp to the top of the range",
     "    if (v > top)\n        return top;\n", ""),
    ("sdk-duplicate-name", "sdk/FeatureAccess.cpp", "the earlier of two same-named features wins",
     "        m_featuresByName[name] = feature;", "        m_featuresByName.emplace(name, feature);"),
    ("sdk-float-writable", "sdk/FeatureAccess.cpp", "float written without asking writability",
     "        Tovrik::throwIfError(fetchWritable(feature) ? feature->setValue(target) : Tovrik::Status::NoAccess);\n        return fetchValue<double>(feature);",
     "        Tovrik::throwIfError(feature->setValue(target));\n        return fetchValue<double>(feature);"),
    ("sdk-default-increment", "sdk/FeatureAccess.cpp", "wrong default increment of a float",
     "            *inc = 0.01;", "            *inc = 1.0;"),
    ("sdk-null-output", "sdk/FeatureAccess.cpp", "null outputs are not refused",
     "        if (!output.pointer)\n", "        if (!output.pointer && false)\n"),
    # framework
    ("fw-direct-observer", "framework/BasePluginWidget.cpp", "observer connected directly, not queued",
     "            &BasePluginWidget::OnFeatureChanged, Qt::AutoConnection);",
     "            &BasePluginWidget::OnFeatureChanged, Qt::DirectConnection);"),
    ("fw-tick-keeps-names", "framework/BasePluginWidget.cpp", "a tick does not empty the changed list",
     "    registerObservers(false);\n    m_changedFeatures.clear();\n", "    registerObservers(false);\n"),
    ("fw-timer", "framework/BasePluginWidget.cpp", "refresh every half second",
     "    m_updateTimer.start(1000);", "    m_updateTimer.start(500);"),
    ("fw-dedupe", "framework/BasePluginWidget.cpp", "changed names not deduplicated",
     "    if (!m_changedFeatures.contains(name))\n        m_changedFeatures.append(name);",
     "    m_changedFeatures.append(name);"),
    ("fw-no-rewrite", "framework/DoubleSpinBox.cpp", "missing re-write of the camera's value after a correction",
     "        if (readBack == value)\n            return;", "        (void)readBack;\n        return;"),
    ("fw-svg-transform", "framework/SvgView.cpp", "transform not reset before a new drawing",
     "    scene()->clear();\n    resetTransform();\n\n    m_svgItem = item;", "    scene()->clear();\n\n    m_svgItem = item;"),
    ("fw-svg-grey", "framework/SvgView.cpp", "disabled view painted in colour",
     "QImage::Format_Grayscale8", "QImage::Format_RGB32"),
    ("fw-retain-space", "framework/FeatureView.cpp", "hidden view keeps its space",
     "    policy.setRetainSizeWhenHidden(false);", "    policy.setRetainSizeWhenHidden(true);"),
    ("fw-observer-name", "framework/PluginFeatureObserver.cpp", "observer emits an empty name",
     "    emit setChangedFeature(QString::fromStdString(name));", "    emit setChangedFeature(QString());"),
    # linetrigger
    ("page-write-order", "linetrigger/LineTriggerWidget.cpp", "encoder mode writes TriggerMode before TriggerSource",
     '        m_access.setValueAsString(QStringLiteral("TriggerSource"), QStringLiteral("Encoder0"));\n        m_access.setValueAsString(QStringLiteral("TriggerMode"), QStringLiteral("On"));\n        externalModeEncoderContainer',
     '        m_access.setValueAsString(QStringLiteral("TriggerMode"), QStringLiteral("On"));\n        m_access.setValueAsString(QStringLiteral("TriggerSource"), QStringLiteral("Encoder0"));\n        externalModeEncoderContainer'),
    ("page-selector-restore", "linetrigger/LineTriggerWidget.cpp", "missing restore of the camera's trigger selection",
     "            m_access.setValueAsString(QStringLiteral(\"TriggerSelector\"), selector);\n", ""),
    ("page-signal-blocker", "linetrigger/LineTriggerWidget.cpp", "dropped signal blocker on the direction box",
     "    const QSignalBlocker blocker(cb_EncoderDirection);\n", ""),
    ("page-label-text", "device/CameraLines.cpp", "wrong label text of Line4",
     '"Line4 - IO Pin 8"}', '"Line4 - IO Pin 4"}'),
    ("page-activation", "linetrigger/LineTriggerWidget.cpp", "encoder trigger on the falling edge",
     'QStringLiteral("TriggerActivation"), QStringLiteral("RisingEdge")', 'QStringLiteral("TriggerActivation"), QStringLiteral("FallingEdge")'),
    ("page-direction", "linetrigger/LineTriggerWidget.cpp", "direction written the wrong way round",
     '                                      text == QLatin1String("Counter-Clockwise") ? 1.0 : 0.0);',
     '                                      text == QLatin1String("Counter-Clockwise") ? 0.0 : 1.0);'),
    ("page-divider-float", "linetrigger/LineTriggerWidget.cpp", "divider not passed through single precision",
     "    return static_cast<double>(static_cast<float>(sb_EncoderDividerFlt->value()));",
     "    return sb_EncoderDividerFlt->value();"),
    ("page-channel-b-inverted", "linetrigger/LineTriggerWidget.cpp", "channel B's line inverted with the direction",
     '                m_access.setValueAsDouble(QStringLiteral("LineInverter"), 0.0);\n            }\n            updateEncoderDiagram();',
     '                m_access.setValueAsDouble(QStringLiteral("LineInverter"), directionValue());\n            }\n            updateEncoderDiagram();'),
    ("page-slave-case", "linetrigger/LineTriggerWidget.cpp", "slave lock ignores case",
     'mode.contains(QStringLiteral("Slave"), Qt::CaseSensitive)', 'mode.contains(QStringLiteral("Slave"), Qt::CaseInsensitive)'),
    ("page-diagram", "linetrigger/LineTriggerWidget.cpp", "Line4 shows the Line3 drawing",
     '                path = QStringLiteral(":/Linetrigger_1ch_single_4.svg");', '                path = QStringLiteral(":/Linetrigger_1ch_single.svg");'),
    ("page-exposure-enabled", "linetrigger/LineTriggerWidget.cpp", "exposure box left enabled after a refresh",
     "        m_exposureTimeView->setDisabled(true);\n", ""),
    ("page-log-level", "linetrigger/LineTriggerWidget.cpp", "page failures logged as warnings",
     "    m_pluginHost.log(PlugInHostLogLevel::Error, text);", "    m_pluginHost.log(PlugInHostLogLevel::Warning, text);"),
    ("page-two-channel-types", "linetrigger/LineTriggerWidget.cpp", "two channels offer single-ended too",
     "            cb_EncoderSignalType->addItem(differentialSignalType);\n        }",
     "            cb_EncoderSignalType->addItem(differentialSignalType);\n            cb_EncoderSignalType->addItem(singleEndedSignalType);\n        }"),
    ("page-block-text", "linetrigger/LineTriggerWidget.cpp", "single-ended block text loses a blank",
     'QStringLiteral("Configuration error of parameters (in encoder selector part)  during setting "',
     'QStringLiteral("Configuration error of parameters (in encoder selector part) during setting "'),
    # plugin
    ("plugin-family", "device/CameraFamily.h", "family range one too wide",
     "constexpr int last = 41999;", "constexpr int last = 42000;"),
    ("plugin-version", "plugin/LineTriggerExtension.cpp", "version 1 hosts accepted",
     "    if (host->getInterfaceVersion() < 2) {", "    if (host->getInterfaceVersion() < 1) {"),
    ("plugin-keep-page", "plugin/LineTriggerExtension.cpp", "page without observed features not deleted",
     "        deinitialize(&host);\n        return false;", "        return false;"),
    ("plugin-tab-label", "plugin/LineTriggerExtension.cpp", "wrong tab label",
     'QStringLiteral("Line Trigger")', 'QStringLiteral("Line trigger")'),
    # sim
    ("sim-lock", "device/LineScanRules.cpp", "line rate not locked by an external line trigger",
     "!= std::optional<std::string>(EntryName::On);", "!= std::optional<std::string>(\"on\");"),
    ("sim-margin", "device/LineScanRules.h", "no readout margin in the exposure's limit",
     "static constexpr double exposureReadoutMarginUs = 1.0;", "static constexpr double exposureReadoutMarginUs = 0.0;"),
    ("sim-entry-available", "sim/SimCamera.cpp", "unavailable entries accepted",
     "        return entry && entry->available ? 0 : Status::InvalidValue;",
     "        return entry ? 0 : Status::InvalidValue;"),
    ("sim-refusals-journal", "sim/SimCamera.cpp", "refused writes not journaled",
     "        m_journal.push_back(\n            {++m_sequence, state.definition.name, valueText, contextFor(state, key), status, external});\n",
     ""),
    ("sim-notify-order", "sim/SimCamera.cpp", "written feature not reported first",
     "    for (const State* state : candidates) {",
     "    for (const State* state : std::vector<const State*>(candidates.rbegin(), candidates.rend())) {"),
    # the variant reader
    ("var-quadratic", "sim/SimCamera.cpp", "features found by a walk through all of them",
     "    const auto it = m_indexByName.find(name);\n    return it == m_indexByName.end() ? nullptr : &m_states[it->second];",
     "    for (State& state : m_states) {\n        if (state.definition.name == name)\n            return &state;\n    }\n    return nullptr;"),
    ("var-duplicates", "sim/SimVariantReader.cpp", "duplicate keys taken, the last wins",
     "        checkDuplicateKeys(json);\n", ""),
    ("var-escaped-keys", "sim/SimVariantReader.cpp", "keys compared as written, not as decoded",
     "                if (json[i] != '\\\\') {", "                if (true) {"),
    ("var-cycle", "sim/SimVariantReader.cpp", "selector cycles not looked for",
     "            checkSelectorChain(definition, &depths);\n", ""),
    ("var-int-grid", "sim/SimFeatureDefinition.h", "grid distance in signed arithmetic",
     "        return distance % step == 0;",
     "        (void)distance;\n        return (value - start) % static_cast<int64_t>(step) == 0;"),
    ("var-float-grid", "sim/SimVariantReader.cpp", "float values not checked on their grid",
     "        if (!definition.onGrid(real, definition.min))", "        if (false)"),
    ("var-names", "sim/SimVariantReader.cpp", "names that do not print accepted",
     "    if (!std::all_of(name.begin(), name.end(), [](QChar c) { return c.isPrint(); }))", "    if (false)"),
    ("var-int64", "sim/SimVariantReader.cpp", "integers beyond int64 accepted",
     "    if (value < int64Lowest || value > int64Above)\n", "    if (false)\n"),
    # the simulated camera's trigger logic
    ("acq-jitter", "sim/SimEncoder.cpp", "FourPhase counts every quarter back and forth",
     "        } else if (m_quarters == m_anchor + 4 * step) {", "        } else if (true) {"),
    ("acq-one-channel-edges", "sim/SimEncoder.cpp", "one channel counts both edges in FourPhase",
     "        if (aRose || (aChanged && m_counting == TriggerMath::Counting::HighResolution))", "        if (aChanged)"),
    ("acq-no-maximum", "sim/SimEncoder.cpp", "lines while travel backwards is made up",
     "    if (m_count <= m_max)\n        return 0;\n    m_max = m_count;", "    m_max = m_count;"),
    ("acq-divider-drift", "sim/SimEncoder.cpp", "divider in single precision",
     "std::floor(static_cast<double>(m_max - m_origin) / m_divider)",
     "std::floor(static_cast<float>(m_max - m_origin) / static_cast<float>(m_divider))"),
    ("acq-phase-order", "sim/SimBench.cpp", "B leads A while the belt moves forward",
     "    return p == 1 || p == 2;", "    return p == 3 || p == 0;"),
    ("acq-electrical-kind", "sim/SimBench.cpp", "single-ended signals reach differential inputs",
     "    if (line < 1 || line > 4 || isDifferentialLine(line) != (output == SimEncoderOutput::Differential))",
     "    if (line < 1 || line > 4)"),
    ("acq-line-mode", "sim/SimAcquisition.cpp", "output lines still see the encoder",
     "(m_trigger.input[i] && m_bench.lineSignal(line, m_quarter))", "m_bench.lineSignal(line, m_quarter)"),
    ("acq-overtrigger", "sim/SimAcquisition.cpp", "triggers within a line are not missed",
     "    if (m_lineTaken && atNs - m_lastLineNs < m_trigger.lineNs - 0.5) {", "    if (false) {"),
    ("acq-exposure", "sim/SimAcquisition.cpp", "a line lasts its readout only",
     "TriggerMath::lineTimeUs(settings.exposureUs, settings.readoutUs())", "settings.readoutUs()"),
    ("acq-trigger-divider", "sim/SimAcquisition.cpp", "TriggerDivider ignored",
     "    if (!fromTimer && ++m_triggers % static_cast<uint64_t>(m_trigger.divider) != 0)",
     "    if (!fromTimer && ++m_triggers % 1 != 0)"),
    # what a stream's start and flow mean
    ("watch-lost-refused", "acquisition/StreamWatch.cpp", "a lost answer to the start taken for a refusal",
     "        // It may have started all the same: frames will tell.\n        m_phase = Phase::Confirming;",
     "        m_phase = Phase::Stopped;\n        step.event = Event{Event::Kind::StartFailed, why};"),
    ("watch-one-try", "acquisition/StreamWatch.h", "the start is never asked again",
     "static constexpr int startTries = 3;", "static constexpr int startTries = 1;"),
    ("watch-silence-unsaid", "acquisition/StreamWatch.cpp", "a silent stream is opened again but never said",
     "        m_phase = Phase::Silent;\n        step.event", "        m_phase = Phase::Reopened;\n        if (false)\n            step.event"),
    # the viewer's live view and trigger check
    ("view-factor-floor", "viewer/Waterfall.cpp", "a camera a little wider than the view is drawn wider than it",
     "    m_factor = std::max(1, (cameraWidth + m_viewWidth - 1) / m_viewWidth);",
     "    m_factor = std::max(1, cameraWidth / m_viewWidth);"),
    ("view-every-line", "viewer/Waterfall.cpp", "every line drawn whatever the factor across",
     "        if (m_lines++ % static_cast<uint64_t>(m_factor) == 0)", "        if (++m_lines)"),
    ("view-first-pixel", "viewer/Waterfall.cpp", "the first camera pixel of each drawn one, not their mean",
     "            sum += pixel[i];", "            sum += pixel[0];"),
    ("view-resize-drops", "viewer/Waterfall.cpp", "a taller view drops what was drawn",
     "    if (m_cameraWidth > 0 && std::max(1, (m_cameraWidth + m_viewWidth - 1) / m_viewWidth) == m_factor)",
     "    if (false)"),
    ("view-repaint-rate", "viewer/LiveView.cpp", "repainted 250 times a second",
     "    m_timer.start(16);", "    m_timer.start(4);"),
    ("verdict-stretch-inverted", "viewer/TriggerVerdict.cpp", "stretch said as its inverse",
     "        f.stretch = *f.linesPerMm * o.installation->pixelSize;", "        f.stretch = 1.0 / (*f.linesPerMm * o.installation->pixelSize);"),
    ("verdict-missed-share", "viewer/TriggerVerdict.cpp", "overtrigger given as the whole share, not the excess",
     "shown((triggers / allowed - 1.0) * 100.0)", "shown(triggers / allowed * 100.0)"),
    ("verdict-square-tolerance", "viewer/TriggerVerdict.h", "pixels 5 % off called square",
     "inline constexpr double squareTolerance = 0.01;", "inline constexpr double squareTolerance = 0.05;"),
    ("verdict-no-margin", "viewer/TriggerVerdict.h", "exposure advice on the very limit",
     "inline constexpr double margin = 0.10;", "inline constexpr double margin = 0.0;"),
    ("verdict-image-unheard", "viewer/TriggerVerdict.cpp", "circles that contradict the figures pass unsaid",
     "std::fabs(*o.stretchFromImage / *f.stretch - 1.0) <= 0.02 + TriggerVerdict::squareTolerance)",
     "std::fabs(*o.stretchFromImage / *f.stretch - 1.0) <= 1.0)"),
    ("image-one-threshold", "viewer/CircleTarget.cpp", "ink not told from the chart's other print",
     "        found = ellipses(image, ink);", "        found = ellipses(image, paper + 0.0 * ink);"),
    ("image-held-across-settings", "viewer/TriggerCheck.cpp", "circles seen before a change of the settings still stand for the image",
     "(m_imageAge.elapsed() > imageLifetimeMs || m_imageSettings != m_observation.settings)",
     "(m_imageAge.elapsed() > imageLifetimeMs)"),
    ("snapshot-modes-first", "viewer/SettingsSnapshot.cpp", "modes written before the values they lock",
     'return write.feature.endsWith(QLatin1String("Mode")) ? 1 : 0;', 'return write.feature.endsWith(QLatin1String("Mode")) ? 0 : 1;'),
    ("snapshot-selectors-moved", "viewer/SettingsSnapshot.cpp", "a snapshot leaves the selectors at their last entry",
     "        if (known)\n            selector.setValue(original.c_str());", "        (void)known;"),
    ("snapshot-told-written", "viewer/SettingsSnapshot.cpp", "what the camera only tells is written too",
     "                               ? !isTold(feature.name)", "                               ? true"),
    ("report-image-text-after-stop", "viewer/AcquisitionReport.cpp", "a saved image says what the check says after the stop",
     "panel->imageText(m_observation, m_verdict)", "panel->imageText()"),
    ("report-missed-apart", "viewer/AcquisitionReport.cpp", "missed triggers taken before the stop, apart from the lines",
     "    if (final && final->missedTriggers)\n        missed = *final->missedTriggers;\n", ""),
    ("installation-one-for-all", "viewer/InstallationStore.cpp", "one set of figures for every camera",
     "QString(camera).replace(QLatin1Char('/'), QLatin1Char('_'))", "QStringLiteral(\"camera\")"),
    ("acq-bench-rearms", "sim/SimAcquisition.cpp", "a bench change re-arms the encoder",
     "    m_encoder.resync(m_levels[static_cast<size_t>(m_trigger.encoderA)],",
     "    restartEncoder();\n    if (false)\n        m_encoder.resync(m_levels[static_cast<size_t>(m_trigger.encoderA)],"),
    # the GenICam link's policy and the worker that follows it
    ("gvcp-three-tries", "genicam/GenicamGvcp.cpp", "an open gives up after three lost discoveries",
     "constexpr int attempts = 5;", "constexpr int attempts = 3;"),
    ("link-evidence", "genicam/GenicamLink.cpp", "a camera lost after half the silence",
     "        now - m_lastAnswer < lossEvidence)", "        now - m_lastAnswer < lossEvidence / 2)"),
    ("link-one-probe", "genicam/GenicamLink.h", "one unanswered probe loses the camera",
     "    static constexpr int failedProbesForLoss = 2;", "    static constexpr int failedProbesForLoss = 1;"),
    ("link-no-backoff", "genicam/GenicamLink.cpp", "reopening never slows down",
     "    m_reopenPause = std::min(m_reopenPause * 2, longestReopenPause);",
     "    m_reopenPause = std::min(m_reopenPause, longestReopenPause);"),
    ("link-backoff-kept", "genicam/GenicamLink.cpp", "a new loss keeps the long pause of the last",
     "    m_reopenPause = firstReopenPause;\n    m_nextReopen = now + m_reopenPause;\n    m_wantControl = false;",
     "    m_nextReopen = now + m_reopenPause;\n    m_wantControl = false;"),
    ("link-give-up-control", "genicam/GenicamLink.cpp", "a refused viewer stops asking for control",
     "    m_nextControlAttempt = now + controlRetry;\n    if (inControl()) {",
     "    m_nextControlAttempt = Time::max();\n    if (inControl()) {"),
    ("link-taking-back", "genicam/GenicamLink.cpp", "control held before is said to be another's",
     "m_hadControl ? Reason::TakingBack : Reason::OtherApplication", "Reason::OtherApplication"),
    ("link-silent-take", "genicam/GenicamLink.cpp", "control taken without saying so",
     "fromOther ? Reason::ControlTaken : Reason::None", "Reason::None"),
    ("link-probe-first", "genicam/GenicamLink.cpp", "control asked for before a failing camera is probed",
     "    if (m_failing)\n        return probe;\n", ""),
    ("link-unanswered-control", "genicam/GenicamLink.cpp", "a camera that ignores the request for control still counts as ours",
     "    if (std::exchange(m_controlUnanswered, false) && inControl())\n        controlRefused(now);", ""),
    ("link-look-only-asks", "genicam/GenicamLink.cpp", "a viewer that only looks asks for control",
     "    if ((inControl() && !m_wantControl) || m_lookOnly)", "    if (inControl() && !m_wantControl)"),
    ("worker-look-only-keeps-control", "genicam/GenicamSupervisor.cpp", "control kept by a viewer that only looks",
     "    if (m_leaveControl.exchange(false))\n        leaveControl();", "    m_leaveControl = false;"),
    ("worker-refusals-unheard", "genicam/GenicamSupervisor.cpp", "a stream pointed elsewhere does not make control doubtful",
     "void GenicamSupervisor::noteControlLost()\n{\n    m_controlLost = true;", "void GenicamSupervisor::noteControlLost()\n{\n    m_controlLost = false;"),
    ("viewer-signals", "viewer/main.cpp", "SIGTERM ends the viewer without closing it",
     "    closeOnSignals(window);\n", ""),
    ("worker-no-retake", "genicam/GenicamSupervisor.cpp", "control is never taken back",
     "        !ARV_IS_GV_DEVICE(m_device) || arv_gv_device_take_control(ARV_GV_DEVICE(m_device), &error);",
     "        !ARV_IS_GV_DEVICE(m_device) || (arv_gv_device_take_control(ARV_GV_DEVICE(m_device), &error) && false);"),
    ("worker-lost-queues", "genicam/GenicamWorker.cpp", "calls while the camera is lost queue on the worker",
     "    if (!m_supervisor.reachable())\n        return Status::NotOpened;\n    return m_executor.run", "    return m_executor.run"),
    ("worker-bound-per-call", "genicam/GenicamExecutor.cpp", "every call of an action waits the whole bound",
     "    if (now - m_lastCall > GenicamLink::quietTime)\n        m_burstDeadline = now + m_bound;",
     "    m_burstDeadline = now + m_bound;"),
    ("worker-prober-deaf", "genicam/GenicamSupervisor.cpp", "the prober takes silence for an answer",
     "        if (m_stopping)\n            break;\n        probed(answered);", "        if (m_stopping)\n            break;\n        probed(true);"),
    # the evidence: trends, intervals, the report, the fit to a small screen
    ("trend-unweighted", "viewer/TrendRecorder.cpp", "merged rates not weighted by the time each covered",
     "return (a * older.seconds + b * newer.seconds) / seconds;", "return (a + b) / 2.0;"),
    ("trend-unbounded", "viewer/TrendRecorder.cpp", "points never merged: memory grows with the session",
     "    if (m_points.size() == m_capacity) {", "    if (false) {"),
    ("times-gap-threshold", "viewer/LineTimes.cpp", "a missing line is no gap",
     "[&](double v) { return v >= 1.5 * s.medianNs; }", "[&](double v) { return v >= 2.5 * s.medianNs; }"),
    ("times-across-stop", "viewer/LineTimes.cpp", "an interval counted across a stop",
     "    if (frame.id == 0)\n        m_last.reset(); // no interval across a stop\n", ""),
    ("times-full-width", "viewer/LineTimes.cpp", "the spread is the whole width, not half",
     "50.0 * (high - low) / s.medianNs", "100.0 * (high - low) / s.medianNs"),
    ("times-oldest-kept", "viewer/LineTimes.cpp", "a full ring keeps the oldest intervals",
     "                m_intervals[m_next] = interval;\n", ""),
    ("report-no-settings", "viewer/CommissioningReport.cpp", "the report leaves the settings out",
     "    html += settingsSection(c.settings);\n", ""),
    ("report-busy-never-done", "viewer/SettingsMenu.cpp", "a report asked for while a snapshot is taken never comes",
     "             [taken, done] { done(*taken); }))\n        done(std::nullopt);", "             [taken, done] { done(*taken); }))\n        return;"),
    ("menu-busy-future-only", "viewer/SettingsMenu.h", "a job whose end is not handled yet is taken as over",
     "return m_job.isRunning() || m_done != nullptr;", "return m_job.isRunning();"),
    ("verdict-missed-lines-per-mm", "viewer/TriggerVerdict.cpp", "lines per mm as the triggers' while triggers are missed",
     "        f.linesPerMm = *triggersPerMm * o.linesPerSecond / triggersPerSecond(o);", "        f.linesPerMm = *triggersPerMm;"),
    ("fit-verdict-grows", "viewer/TriggerCheck.cpp", "no room kept for a verdict of three lines",
     "    m_verdict->setMinimumHeight(m_verdict->sizeHint().height());\n", ""),
    ("fit-no-scroll", "viewer/AcquisitionPanel.cpp", "the check and the tools squeezed instead of scrolled",
     "    below->setWidget(content);", "    below->hide();\n    splitter->addWidget(content);"),
    ("verdict-metres", "acquisition/TriggerMath.cpp", "m/min off by ten",
     "    return mmPerSecond * 60.0 / 1000.0;", "    return mmPerSecond * 60.0 / 100.0;"),
    ("sim-ripple-encoder", "sim/SimAcquisition.cpp", "the encoder turns at the belt's mean speed through its swings",
     "    const double speed = m_bench.speedAt(m_now);", "    const double speed = m_bench.beltSpeed;"),
    # genicam
    ("gc-range-poll", "genicam/GenicamDescription.cpp", "a poll misses a range change",
     "        status = node.getRange(&range.min, &range.max);", "        status = 0;"),
    ("gc-unimplemented-entry", "genicam/GenicamNode.cpp", "entries the description does not implement offered",
     "        if (m_context->take(&error) == 0 && implemented)", "        if (m_context->take(&error) == 0)"),
    ("gc-incomplete-size", "genicam/GenicamStream.cpp", "the image size asked of a buffer before its status",
     "    if (arv_buffer_get_status(buffer) != ARV_BUFFER_STATUS_SUCCESS)\n        return false;",
     "    arv_buffer_get_image_width(buffer);\n    if (arv_buffer_get_status(buffer) != ARV_BUFFER_STATUS_SUCCESS)\n        return false;"),
    ("gc-selector-per-read", "genicam/GenicamCache.cpp", "a poll's selectors read again at every call of its round",
     "(newBurst && context.kind() != Kind::Poll)", "newBurst || context.kind() == Kind::Poll"),
    ("gc-entry-order", "genicam/GenicamNode.cpp", "entries in Aravis's reversed order",
     "            entries.push_back(entry);", "            entries.insert(entries.begin(), entry);"),
    ("gc-lock", "genicam/GenicamNode.cpp", "locked features written",
     "    return writable ? 0 : Tovrik::Status::NoAccess;", "    return 0;"),
    ("gc-timeout", "genicam/GenicamStatus.cpp", "timeouts reported as I/O errors",
     "    case ARV_DEVICE_ERROR_TIMEOUT:\n        return Tovrik::Status::Timeout;", "    case ARV_DEVICE_ERROR_TIMEOUT:\n        return Tovrik::Status::IOError;"),
    ("gc-first-look", "genicam/GenicamWorker.cpp", "no first look when an observer registers",
     "    if (m_executor.closed() || !m_poller.add(name, std::move(observer)))\n        return;",
     "    m_poller.add(name, std::move(observer));\n    return;"),
    ("gc-nan", "genicam/GenicamNode.cpp", "NaN written to a float",
     "    if (std::isnan(value))\n        return Tovrik::Status::InvalidParameter;\n", ""),
]


def run(command, log, cwd):
    with open(log, "a") as out:
        out.write("$ " + " ".join(command) + "\n")
        out.flush()
        return subprocess.call(command, cwd=cwd, stdout=out, stderr=subprocess.STDOUT)


def apply(root, mutant):
    path = os.path.join(root, mutant[1])
    with open(path) as f:
        text = f.read()
    count = text.count(mutant[3])
    if count != 1:
        return None, "the text occurs %d times" % count
    with open(path, "w") as f:
        f.write(text.replace(mutant[3], mutant[4]))
    return text, None


def main():
    args = sys.argv[1:]
    check_only = "--check" in args
    chosen = [a for a in args if not a.startswith("--")]
    known = {m[0] for m in MUTANTS}
    for name in chosen:
        if name not in known:
            sys.exit("unknown fault: " + name)
    mutants = [m for m in MUTANTS if not chosen or m[0] in chosen]
    source = os.getcwd()

    if check_only:
        bad = 0
        for m in mutants:
            with open(os.path.join(source, m[1])) as f:
                count = f.read().count(m[3])
            if count != 1:
                bad += 1
                print("%-26s %s: the text occurs %d times" % (m[0], m[1], count))
        print("%d faults, %d do not apply" % (len(mutants), bad))
        sys.exit(1 if bad else 0)

    scratch = os.environ.get("SCRATCH", "/tmp/linetrigger-mutants")
    tree, build, logs = (os.path.join(scratch, p) for p in ("tree", "build", "logs"))
    os.makedirs(logs, exist_ok=True)
    files = subprocess.check_output(["git", "ls-files", "-z"], cwd=source).decode().split("\0")
    for name in filter(None, files):
        target = os.path.join(tree, name)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        if not os.path.exists(target) or open(os.path.join(source, name), "rb").read() != open(target, "rb").read():
            shutil.copyfile(os.path.join(source, name), target)  # a new mtime, so that ninja rebuilds
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    base_log = os.path.join(logs, "unchanged.log")
    open(base_log, "w").close()
    if run(["cmake", "-S", tree, "-B", build, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=RelWithDebInfo",
            "-DLINETRIGGER_BUILD_BENCHMARKS=OFF"], base_log, tree) or run(["cmake", "--build", build], base_log, tree):
        sys.exit("the unchanged tree does not build: see " + base_log)
    test = ["ctest", "--test-dir", build, "-j2", "--timeout", "180", "--stop-on-failure", "--output-on-failure"]
    if subprocess.call(test, cwd=tree, env=env, stdout=open(base_log, "a"), stderr=subprocess.STDOUT):
        sys.exit("the suite fails on the unchanged tree: see " + base_log)

    rows = []
    for m in mutants:
        log = os.path.join(logs, m[0] + ".log")
        open(log, "w").close()
        started = time.time()
        original, problem = apply(tree, m)
        if problem:
            rows.append((m, "does not apply", problem))
            continue
        try:
            if run(["cmake", "--build", build], log, tree):
                rows.append((m, "does not build", "see " + log))
                continue
            with open(log, "a") as out:
                status = subprocess.call(test, cwd=tree, env=env, stdout=out, stderr=subprocess.STDOUT)
            failed = ""
            if status:
                # The first test that failed on its own; others may only have been stopped with it.
                names = re.findall(r"Test\s+#\d+: (\S+) \.*\s*[^*\n]*\*\*\*(?:Failed|Exception|Timeout)", open(log).read())
                failed = names[0] if names else "see " + log
            rows.append((m, "caught" if status else "MISSED", failed))
        finally:
            with open(os.path.join(tree, m[1]), "w") as f:
                f.write(original)
        print("%-26s %-8s %3.0f s" % (m[0], rows[-1][1], time.time() - started), file=sys.stderr, flush=True)
    # The tree is left as it was, built once more so the next run starts from an up-to-date build.
    run(["cmake", "--build", build], base_log, tree)

    print("| fault | layer | what | result | first failing test |")
    print("|---|---|---|---|---|")
    for m, result, detail in rows:
        print("| %s | %s | %s | %s | %s |" % (m[0], m[1].split("/")[0], m[2], result, detail))
    missed = [r for r in rows if r[1] != "caught"]
    print("\n%d faults: %d caught, %d not" % (len(rows), len(rows) - len(missed), len(missed)))


main()
PYTHON
