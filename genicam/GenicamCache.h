#pragma once

#include "FeatureState.h"
#include "GenicamFeatureInfo.h"
#include "GenicamLink.h"

#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

typedef struct _ArvDevice ArvDevice; // NOLINT(bugprone-reserved-identifier): GLib type
class GenicamContext;

// What the worker knows about the camera without asking it again, by one rule: a thing is kept as
// long as it cannot have changed. What the description fixes about a feature (and which feature
// selects it) holds for the connection; a value read or written holds within one burst of calls
// (no write in between for reads, no pause longer than the quiet time); a selector's register,
// once read in a burst or in one poll round, is answered from Aravis's register cache, which holds
// nothing else. A new connection starts from nothing.
class GenicamCache
{
public:
    using Clock = std::chrono::steady_clock;

    // Worker thread: a newly opened device; everything known before is forgotten.
    void adopt(ArvDevice* device);
    // The camera is gone: nothing known holds any more.
    void forget();
    // Any thread: every feature of the description's category tree, in tree order.
    std::vector<std::string> featureNames() const;

    // Worker thread, around every call.
    void beginCall(GenicamContext& context);
    void endCall(GenicamContext& context);
    // Worker thread: a poll round (or a sample) begins; the selectors are read afresh once in it.
    void startRound();
    // Worker thread: the selectors feature's value depends on are fresh in this burst or round.
    void freshen(GenicamContext& context, const std::string& feature);
    // Worker thread: within the burst, a value read, or written to a write-through register.
    void remember(const std::string& feature, const std::string& value);
    bool recall(const std::string& feature, std::string* value) const;

    // Any thread: the record of a feature when it is known already, else null.
    std::shared_ptr<const GenicamFeatureInfo> known(const std::string& name) const;

    // What was read of the features a page reads first, when the camera was opened: the page's
    // installation and its first reading answered without a trip to the camera, however poor the
    // link. Each holds until the feature is polled or written, or a short while has passed.
    struct Warm
    {
        FeatureState state;
        std::optional<double> increment; // where the description leaves it open
    };
    static constexpr std::chrono::seconds warmLifetime{10};
    // Worker thread.
    void warmUp(std::map<std::string, Warm> features);
    // Any thread.
    std::optional<Warm> warm(const std::string& name) const;
    void cool(const std::string& name);
    void coolAll();
    // Worker thread: the record of a feature, read from the description the first time.
    std::shared_ptr<const GenicamFeatureInfo> describe(GenicamContext& context, const std::string& name);
    // Worker thread: "Selector=Entry" for a selected feature, empty otherwise.
    std::string selectionOf(GenicamContext& context, const std::string& name);
    // Any thread: the feature's selector as the description says, known since the first feature
    // was described (at opening); empty when none.
    std::string selectorOf(const std::string& name) const;

    // Aravis's register cache on or off; polls and other parties' access look at the camera itself.
    static void setCaching(ArvDevice* device, bool on);

private:
    // Worker thread only.
    std::map<std::string, std::string> m_values;
    std::set<std::string> m_freshSelectors;
    Clock::time_point m_lastDone;

    // Guards the records, which other threads read.
    mutable std::mutex m_mutex;
    std::vector<std::string> m_names;
    std::map<std::string, std::shared_ptr<const GenicamFeatureInfo>> m_records;
    std::map<std::string, Warm> m_warm;
    Clock::time_point m_warmUntil;
    std::map<std::string, std::string> m_selectors; // selected feature -> its selector
};
