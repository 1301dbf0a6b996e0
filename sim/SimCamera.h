#pragma once

#include "CheckedMutex.h"
#include "FeatureState.h"
#include "LineScanRules.h"
#include "Listener.h"
#include "SimApi.h"
#include "SimFeatureDefinition.h"
#include "SimJournalEntry.h"
#include "SimOperation.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

class FeatureObserverRegistry;
class SimAcquisition;
namespace Tovrik {
class Feature;
class FeatureObserverInterface;
} // namespace Tovrik
class SimFeature;

// A simulated camera's features: a generic store of typed features with GenICam selectors, range
// and access checks, change notifications, a journal of every write and fault injection. What the
// features do to each other is the line-scan camera's rules'; what the camera measures and what
// its commands do is its acquisition's, which hears of every change. Thread-safe: the SDK side
// (feature handles), other parties and the notification thread may call in concurrently.
class SIM_EXPORT SimCamera : public std::enable_shared_from_this<SimCamera>
{
public:
    static std::shared_ptr<SimCamera> create(const std::vector<SimFeatureDefinition>& definitions,
                                             SimNotifyMode mode = SimNotifyMode::Synchronous);
    ~SimCamera();
    SimCamera(const SimCamera&) = delete;
    SimCamera& operator=(const SimCamera&) = delete;

    // The feature list a host hands to plug-ins, in definition order.
    std::vector<std::shared_ptr<Tovrik::Feature>> features() const;
    std::vector<std::string> featureNames() const;
    std::shared_ptr<Tovrik::Feature> feature(const std::string& name) const;
    SimFeatureDefinition definition(const std::string& name) const;
    bool hasFeature(const std::string& name) const;

    // Another party's access (the host, another tool): checked like an SDK write but never faulted.
    // An empty selector entry means the entry the selector currently names.
    int write(const std::string& name, const std::string& valueText, const std::string& selectorEntry = {});
    std::string value(const std::string& name, const std::string& selectorEntry = {}) const;
    bool isWritable(const std::string& name) const;
    bool isAvailable(const std::string& name) const;
    std::vector<std::string> selectorEntries(const std::string& name) const;

    void setAvailable(const std::string& name, bool available);
    void setWritable(const std::string& name, bool writable);
    void setEntryAvailable(const std::string& name, const std::string& entry, bool available);
    void setRange(const std::string& name, double min, double max, double increment);
    // The name the feature reports from getName; empty makes it unnamed, a taken one a duplicate.
    void setReportedName(const std::string& name, const std::string& reportedName);
    // Drops the feature from features(); handles already given out keep working.
    void removeFeature(const std::string& name);

    std::vector<SimJournalEntry> journal() const;
    size_t journalSize() const;
    void clearJournal();

    // count < 0: always; otherwise the next count calls fail.
    void injectFault(const std::string& name, SimOperation operation, int status, int count = -1);
    void clearFault(const std::string& name, SimOperation operation);
    void clearFaults();
    // Refuses every write from now on, as a camera opened to look only does (NoAccess).
    void setReadOnly(bool readOnly);
    bool isReadOnly() const;

    void setNotifyMode(SimNotifyMode mode);
    SimNotifyMode notifyMode() const;
    // Blocks until every queued notification has been delivered.
    void waitForNotifications();
    size_t observerCount(const std::string& name) const;
    // Like an SDK that releases registrations late: unregisterObserver succeeds but the observer
    // keeps being called.
    void setKeepObserversAfterUnregister(bool keep);
    uint64_t notificationCount() const;
    // Called, on the writing thread, for every write through a feature handle that the camera
    // refuses.
    void setWriteFailureListener(std::function<void(const SimJournalEntry&)> listener);

    // The camera's acquisition: its bench, its clock and its lines.
    SimAcquisition& acquisition() const { return *m_acquisition; }

private:
    friend class SimFeature;

    struct Value
    {
        bool boolean = false;
        int64_t integer = 0;
        double number = 0.0;
        std::string text;
    };
    struct State
    {
        SimFeatureDefinition definition;
        std::string reportedName;
        bool listed = true;
        std::map<std::string, Value> values; // by selector entry, "" when not selected
        std::shared_ptr<Tovrik::Feature> handle;
        std::vector<size_t> selected; // the features this one selects
        mutable Value live;           // the last value read of a live feature
    };
    struct Fault
    {
        int status = 0;
        int remaining = -1;
    };
    class RulesView;

    SimCamera(const std::vector<SimFeatureDefinition>& definitions, SimNotifyMode mode);
    void attachHandles();
    // The handle of feature index, as the SDK hands it out (SimFeature, whose file makes them).
    static std::shared_ptr<Tovrik::Feature> makeHandle(std::weak_ptr<SimCamera> camera, size_t index);
    // A write through a feature handle; typed is null for the text form.
    int sdkWrite(size_t index, int form, const std::string& valueText, const Value* typed);
    // One write's checks, journal entry and store, shared by both kinds of writer; status carries a
    // refusal made before (a fault, a wrong form).
    int checkAndStore(size_t index, const std::string& key, int status, const std::string& valueText,
                      const Value* typed, bool external, std::vector<std::string>* changed);
    // Runs change under the lock, then tells the observers of what it changed.
    void changeAndNotify(const std::string& name, const std::function<void(State&)>& change);

    // All private helpers below expect m_mutex to be held.
    int fault(size_t index, SimOperation operation);
    State* find(const std::string& name);
    const State* find(const std::string& name) const;
    std::string selectorKey(const State& state) const;
    // "Selector=Entry" for a selected feature's value under key, empty otherwise.
    std::string contextFor(const State& state, const std::string& key) const;
    const Value& current(const State& state) const;
    const Value* valueFor(const State& state, const std::string& selectorEntry) const;
    std::string text(const State& state, const Value& value) const;
    bool effectiveWritable(const State& state) const;
    void effectiveRange(const State& state, double* min, double* max) const;
    int parse(const State& state, const std::string& valueText, Value* value) const;
    int check(const State& state, const Value& value) const;
    void store(size_t index, const Value& value, const std::string& key, bool external);
    // What follows a change of state: ranges narrowed and values derived by the rules, the
    // acquisition told. Returns the features whose state may have changed, state's first.
    std::vector<const State*> follow(const State& state);
    FeatureState stateOf(const State& state) const;
    // The features among these whose state changed since observers last heard, in this order.
    std::vector<std::string> collectChanges(const std::vector<const State*>& candidates);
    // Tells the observers of the features changed; m_mutex must not be held.
    void notify(const std::vector<std::string>& changed);

    const LineScanRules m_rules{};
    std::unique_ptr<RulesView> m_view; // the rules' and the acquisition's look at the store
    // Lock only after m_mutex.
    std::unique_ptr<SimAcquisition> m_acquisition;
    std::unique_ptr<FeatureObserverRegistry> m_observers;
    Listener<const SimJournalEntry&> m_writeFailureListener;

    // Guards every member below.
    mutable CheckedMutex m_mutex;
    std::vector<State> m_states;
    std::unordered_map<std::string, size_t> m_indexByName; // fixed after construction
    std::vector<SimJournalEntry> m_journal;
    int m_sequence = 0;
    std::map<std::pair<std::string, SimOperation>, Fault> m_faults;
    bool m_keepObservers = false;
    bool m_readOnly = false;
};
