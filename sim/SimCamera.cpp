#include "SimCamera.h"

#include "FeatureObserverRegistry.h"
#include "Invariant.h"
#include "SimAcquisition.h"
#include "TovrikFeature.h"
#include "TovrikFeatureObserverInterface.h"
#include "TovrikStatus.h"
#include "TriggerSettings.h"
#include "ValueText.h"

#include <algorithm>
#include <cmath>

namespace {

namespace Status = Tovrik::Status;

FeatureObserverRegistry::Delivery delivery(SimNotifyMode mode)
{
    return mode == SimNotifyMode::Thread ? FeatureObserverRegistry::Delivery::OwnThread
                                         : FeatureObserverRegistry::Delivery::OnCaller;
}

bool isNumber(int type)
{
    return type == Tovrik::FeatureTypeInteger || type == Tovrik::FeatureTypeFloat;
}

} // namespace

// How the rules and the acquisition look at the store: values by name and selector entry, read
// with the camera's lock held by whoever asks.
class SimCamera::RulesView final : public LineScanRules::Camera
{
public:
    explicit RulesView(const SimCamera& camera) : m_camera(camera) {}

    std::optional<std::string> text(const char* feature, const char* selectorEntry) const override
    {
        LT_ASSERT(m_camera.m_mutex.isHeld());
        const State* state = m_camera.find(feature);
        const Value* value = state ? m_camera.valueFor(*state, selectorEntry) : nullptr;
        if (!value)
            return std::nullopt;
        return m_camera.text(*state, *value);
    }
    std::optional<double> number(const char* feature, const char* selectorEntry) const override
    {
        LT_ASSERT(m_camera.m_mutex.isHeld());
        const State* state = m_camera.find(feature);
        const Value* value = state ? m_camera.valueFor(*state, selectorEntry) : nullptr;
        if (!value || !isNumber(state->definition.type))
            return std::nullopt;
        return state->definition.type == Tovrik::FeatureTypeFloat ? value->number
                                                                  : static_cast<double>(value->integer);
    }
    bool acquiring() const override { return m_camera.m_acquisition->isAcquiring(); }

    TriggerSettings::Reader reader() const
    {
        // The top of the line rate is the sensor's own: the definition's, not narrowed by others.
        const auto limit = [this](const char* feature, bool top) -> std::optional<double> {
            const State* state = m_camera.find(feature);
            if (!state)
                return std::nullopt;
            double min = 0.0;
            double max = 0.0;
            m_camera.effectiveRange(*state, &min, &max);
            return top ? max : min;
        };
        TriggerSettings::Reader reader;
        reader.value = [this](const char* feature, const char* entry) {
            return text(feature, entry);
        };
        reader.max = [limit](const char* feature) {
            return limit(feature, true);
        };
        reader.min = [limit](const char* feature) {
            return limit(feature, false);
        };
        reader.increment = [this](const char* feature) -> std::optional<double> {
            const State* state = m_camera.find(feature);
            return state ? std::optional<double>(state->definition.increment) : std::nullopt;
        };
        return reader;
    }

private:
    const SimCamera& m_camera;
};

std::shared_ptr<SimCamera> SimCamera::create(const std::vector<SimFeatureDefinition>& definitions,
                                             SimNotifyMode mode)
{
    std::shared_ptr<SimCamera> camera(new SimCamera(definitions, mode));
    camera->attachHandles();
    return camera;
}

SimCamera::SimCamera(const std::vector<SimFeatureDefinition>& definitions, SimNotifyMode mode)
    : m_view(std::make_unique<RulesView>(*this)), m_acquisition(std::make_unique<SimAcquisition>()),
      m_observers(std::make_unique<FeatureObserverRegistry>(delivery(mode)))
{
    std::lock_guard<CheckedMutex> lock(m_mutex);
    for (const SimFeatureDefinition& definition : definitions) {
        State state;
        state.definition = definition;
        state.reportedName = definition.name;
        m_indexByName.emplace(definition.name, m_states.size());
        m_states.push_back(std::move(state));
    }
    for (size_t i = 0; i < m_states.size(); ++i) {
        State& state = m_states[i];
        const SimFeatureDefinition& definition = state.definition;
        std::vector<std::string> keys{std::string()};
        if (State* selector = find(definition.selector)) {
            selector->selected.push_back(i);
            keys.clear();
            for (const SimEntry& entry : selector->definition.entries)
                keys.push_back(entry.name);
        }
        for (const std::string& key : keys) {
            Value value;
            auto initial = definition.initial.find(key);
            if (initial == definition.initial.end())
                initial = definition.initial.find(std::string());
            if (initial == definition.initial.end() || parse(state, initial->second, &value) != 0) {
                value = Value();
                value.integer = static_cast<int64_t>(definition.min);
                value.number = definition.min;
                if (!definition.entries.empty())
                    value.text = definition.entries.front().name;
            }
            state.values[key] = value;
        }
    }
    for (const State& state : m_states)
        follow(state);
    m_acquisition->configure(TriggerSettings::read(m_view->reader()));
    for (const State& state : m_states)
        m_observers->changed(state.definition.name, stateOf(state));
}

SimCamera::~SimCamera()
{
    m_acquisition->setRealTime(false);
}

void SimCamera::attachHandles()
{
    std::lock_guard<CheckedMutex> lock(m_mutex);
    for (size_t i = 0; i < m_states.size(); ++i)
        m_states[i].handle = makeHandle(weak_from_this(), i);
}

std::vector<std::shared_ptr<Tovrik::Feature>> SimCamera::features() const
{
    std::lock_guard<CheckedMutex> lock(m_mutex);
    std::vector<std::shared_ptr<Tovrik::Feature>> result;
    for (const State& state : m_states) {
        if (state.listed)
            result.push_back(state.handle);
    }
    return result;
}

std::vector<std::string> SimCamera::featureNames() const
{
    std::lock_guard<CheckedMutex> lock(m_mutex);
    std::vector<std::string> result;
    for (const State& state : m_states) {
        if (state.listed)
            result.push_back(state.definition.name);
    }
    return result;
}

std::shared_ptr<Tovrik::Feature> SimCamera::feature(const std::string& name) const
{
    std::lock_guard<CheckedMutex> lock(m_mutex);
    const State* state = find(name);
    return state ? state->handle : nullptr;
}

SimFeatureDefinition SimCamera::definition(const std::string& name) const
{
    std::lock_guard<CheckedMutex> lock(m_mutex);
    const State* state = find(name);
    return state ? state->definition : SimFeatureDefinition();
}

bool SimCamera::hasFeature(const std::string& name) const
{
    std::lock_guard<CheckedMutex> lock(m_mutex);
    const State* state = find(name);
    return state && state->listed;
}

int SimCamera::write(const std::string& name, const std::string& valueText, const std::string& selectorEntry)
{
    std::vector<std::string> changed;
    int status = 0;
    {
        std::lock_guard<CheckedMutex> lock(m_mutex);
        State* state = find(name);
        if (!state)
            return Status::NotFound;
        const std::string key = selectorEntry.empty() ? selectorKey(*state) : selectorEntry;
        if (state->values.find(key) == state->values.end())
            return Status::InvalidParameter;
        status = checkAndStore(static_cast<size_t>(state - m_states.data()), key, 0, valueText, nullptr, true,
                               &changed);
    }
    notify(changed);
    return status;
}

std::string SimCamera::value(const std::string& name, const std::string& selectorEntry) const
{
    std::lock_guard<CheckedMutex> lock(m_mutex);
    const State* state = find(name);
    if (!state)
        return std::string();
    const std::string key = selectorEntry.empty() ? selectorKey(*state) : selectorEntry;
    const auto it = state->values.find(key);
    if (it == state->values.end())
        return std::string();
    return state->definition.live ? m_acquisition->liveValue(name, key) : text(*state, it->second);
}

bool SimCamera::isWritable(const std::string& name) const
{
    std::lock_guard<CheckedMutex> lock(m_mutex);
    const State* state = find(name);
    return state && effectiveWritable(*state);
}

bool SimCamera::isAvailable(const std::string& name) const
{
    std::lock_guard<CheckedMutex> lock(m_mutex);
    const State* state = find(name);
    return state && state->definition.available;
}

std::vector<std::string> SimCamera::selectorEntries(const std::string& name) const
{
    std::lock_guard<CheckedMutex> lock(m_mutex);
    std::vector<std::string> keys;
    if (const State* state = find(name)) {
        for (const auto& value : state->values)
            keys.push_back(value.first);
        // Keep the selector's own entry order rather than the map's.
        if (const State* selector = find(state->definition.selector)) {
            keys.clear();
            for (const SimEntry& entry : selector->definition.entries)
                keys.push_back(entry.name);
        }
    }
    return keys;
}

void SimCamera::changeAndNotify(const std::string& name, const std::function<void(State&)>& change)
{
    std::vector<std::string> changed;
    {
        std::lock_guard<CheckedMutex> lock(m_mutex);
        if (State* state = find(name)) {
            change(*state);
            changed = collectChanges(follow(*state));
        }
    }
    notify(changed);
}

void SimCamera::setAvailable(const std::string& name, bool available)
{
    changeAndNotify(name, [available](State& state) { state.definition.available = available; });
}

void SimCamera::setWritable(const std::string& name, bool writable)
{
    changeAndNotify(name, [writable](State& state) { state.definition.writable = writable; });
}

void SimCamera::setEntryAvailable(const std::string& name, const std::string& entryName, bool available)
{
    changeAndNotify(name, [&entryName, available](State& state) {
        if (SimEntry* entry = state.definition.entry(entryName))
            entry->available = available;
    });
}

void SimCamera::setRange(const std::string& name, double min, double max, double increment)
{
    changeAndNotify(name, [min, max, increment](State& state) {
        state.definition.min = min;
        state.definition.max = max;
        state.definition.increment = increment;
    });
}

void SimCamera::setReportedName(const std::string& name, const std::string& reportedName)
{
    std::lock_guard<CheckedMutex> lock(m_mutex);
    if (State* state = find(name))
        state->reportedName = reportedName;
}

void SimCamera::removeFeature(const std::string& name)
{
    std::lock_guard<CheckedMutex> lock(m_mutex);
    if (State* state = find(name))
        state->listed = false;
}

std::vector<SimJournalEntry> SimCamera::journal() const
{
    std::lock_guard<CheckedMutex> lock(m_mutex);
    return m_journal;
}

size_t SimCamera::journalSize() const
{
    std::lock_guard<CheckedMutex> lock(m_mutex);
    return m_journal.size();
}

void SimCamera::clearJournal()
{
    std::lock_guard<CheckedMutex> lock(m_mutex);
    m_journal.clear();
}

void SimCamera::injectFault(const std::string& name, SimOperation operation, int status, int count)
{
    std::lock_guard<CheckedMutex> lock(m_mutex);
    if (count == 0)
        m_faults.erase({name, operation});
    else
        m_faults[{name, operation}] = Fault{status, count};
}

void SimCamera::clearFault(const std::string& name, SimOperation operation)
{
    std::lock_guard<CheckedMutex> lock(m_mutex);
    m_faults.erase({name, operation});
}

void SimCamera::clearFaults()
{
    std::lock_guard<CheckedMutex> lock(m_mutex);
    m_faults.clear();
}

void SimCamera::setReadOnly(bool readOnly)
{
    std::vector<std::string> changed;
    {
        std::lock_guard<CheckedMutex> lock(m_mutex);
        m_readOnly = readOnly;
        std::vector<const State*> all;
        for (const State& state : m_states)
            all.push_back(&state);
        changed = collectChanges(all);
    }
    notify(changed);
}

bool SimCamera::isReadOnly() const
{
    std::lock_guard<CheckedMutex> lock(m_mutex);
    return m_readOnly;
}

void SimCamera::setNotifyMode(SimNotifyMode mode)
{
    m_observers->setDelivery(delivery(mode));
}

SimNotifyMode SimCamera::notifyMode() const
{
    return m_observers->delivery() == FeatureObserverRegistry::Delivery::OwnThread
               ? SimNotifyMode::Thread
               : SimNotifyMode::Synchronous;
}

void SimCamera::waitForNotifications()
{
    m_observers->waitForDeliveries();
}

void SimCamera::setKeepObserversAfterUnregister(bool keep)
{
    std::lock_guard<CheckedMutex> lock(m_mutex);
    m_keepObservers = keep;
}

size_t SimCamera::observerCount(const std::string& name) const
{
    return m_observers->count(name);
}

uint64_t SimCamera::notificationCount() const
{
    return m_observers->deliveries();
}

int SimCamera::sdkWrite(size_t index, int form, const std::string& valueText, const Value* typed)
{
    std::vector<std::string> changed;
    int status = 0;
    SimJournalEntry refused;
    {
        std::lock_guard<CheckedMutex> lock(m_mutex);
        status = fault(index, SimOperation::SetValue);
        if (status == 0 && typed && form != m_states[index].definition.type)
            status = Status::InvalidParameter;
        status =
            checkAndStore(index, selectorKey(m_states[index]), status, valueText, typed, false, &changed);
        if (status != 0 && !m_journal.empty())
            refused = m_journal.back();
    }
    notify(changed);
    if (status != 0)
        m_writeFailureListener(refused);
    return status;
}

void SimCamera::setWriteFailureListener(std::function<void(const SimJournalEntry&)> listener)
{
    m_writeFailureListener.set(std::move(listener));
}

int SimCamera::checkAndStore(size_t index, const std::string& key, int status, const std::string& valueText,
                             const Value* typed, bool external, std::vector<std::string>* changed)
{
    LT_ASSERT(m_mutex.isHeld());
    State& state = m_states[index];
    Value value;
    if (status == 0) {
        if (typed)
            value = *typed;
        else
            status = parse(state, valueText, &value);
    }
    if (status == 0)
        status = effectiveWritable(state) ? check(state, value) : Status::NoAccess;
    if (status != 0) {
        // Refused writes are journaled too, with the status the writer got.
        m_journal.push_back(
            {++m_sequence, state.definition.name, valueText, contextFor(state, key), status, external});
        return status;
    }
    store(index, value, key, external);
    *changed = collectChanges(follow(state));
    return 0;
}

int SimCamera::fault(size_t index, SimOperation operation)
{
    LT_ASSERT(m_mutex.isHeld());
    const auto it = m_faults.find({m_states[index].definition.name, operation});
    if (it == m_faults.end())
        return 0;
    const int status = it->second.status;
    if (it->second.remaining > 0 && --it->second.remaining == 0)
        m_faults.erase(it);
    return status;
}

SimCamera::State* SimCamera::find(const std::string& name)
{
    const auto it = m_indexByName.find(name);
    return it == m_indexByName.end() ? nullptr : &m_states[it->second];
}

const SimCamera::State* SimCamera::find(const std::string& name) const
{
    return const_cast<SimCamera*>(this)->find(name);
}

std::string SimCamera::selectorKey(const State& state) const
{
    if (state.definition.selector.empty())
        return std::string();
    const State* selector = find(state.definition.selector);
    if (!selector)
        return std::string();
    return current(*selector).text;
}

std::string SimCamera::contextFor(const State& state, const std::string& key) const
{
    if (state.definition.selector.empty())
        return std::string();
    return state.definition.selector + "=" + key;
}

const SimCamera::Value& SimCamera::current(const State& state) const
{
    LT_ASSERT(m_mutex.isHeld());
    if (state.definition.live) {
        state.live = Value();
        parse(state, m_acquisition->liveValue(state.definition.name, selectorKey(state)), &state.live);
        return state.live;
    }
    const auto it = state.values.find(selectorKey(state));
    if (it != state.values.end())
        return it->second;
    return state.values.begin()->second;
}

const SimCamera::Value* SimCamera::valueFor(const State& state, const std::string& selectorEntry) const
{
    if (selectorEntry.empty() || state.definition.live)
        return &current(state);
    // A feature no selector selects has one value for every entry.
    const auto it = state.values.find(state.values.count(std::string()) ? std::string() : selectorEntry);
    return it == state.values.end() ? nullptr : &it->second;
}

std::string SimCamera::text(const State& state, const Value& value) const
{
    switch (state.definition.type) {
    case Tovrik::FeatureTypeBoolean:
        return value.boolean ? "true" : "false";
    case Tovrik::FeatureTypeInteger:
        return std::to_string(value.integer);
    case Tovrik::FeatureTypeFloat:
        return ValueText::fromNumber(value.number);
    default:
        return value.text;
    }
}

bool SimCamera::effectiveWritable(const State& state) const
{
    LT_ASSERT(m_mutex.isHeld());
    return !m_readOnly && state.definition.writable && state.definition.available &&
           m_rules.writable(state.definition.name, *m_view);
}

void SimCamera::effectiveRange(const State& state, double* min, double* max) const
{
    LT_ASSERT(m_mutex.isHeld());
    *min = state.definition.min;
    *max = state.definition.max;
    m_rules.narrowRange(state.definition.name, *m_view, min, max);
}

int SimCamera::parse(const State& state, const std::string& valueText, Value* value) const
{
    const SimFeatureDefinition& definition = state.definition;
    switch (definition.type) {
    case Tovrik::FeatureTypeBoolean:
        return ValueText::parseBoolean(valueText, &value->boolean) ? Status::Success : Status::InvalidValue;
    case Tovrik::FeatureTypeInteger:
        return ValueText::parseNumber(valueText, &value->integer) ? Status::Success : Status::InvalidValue;
    case Tovrik::FeatureTypeFloat:
        return ValueText::parseNumber(valueText, &value->number) ? Status::Success : Status::InvalidValue;
    case Tovrik::FeatureTypeEnumeration:
        if (!definition.entry(valueText))
            return Status::InvalidValue;
        value->text = valueText;
        return 0;
    default:
        value->text = valueText;
        return 0;
    }
}

int SimCamera::check(const State& state, const Value& value) const
{
    double min = 0.0;
    double max = 0.0;
    effectiveRange(state, &min, &max);
    switch (state.definition.type) {
    case Tovrik::FeatureTypeInteger: {
        const double number = static_cast<double>(value.integer);
        if (number < min || number > max)
            return Status::InvalidValue;
        if (!state.definition.onGrid(value.integer, min))
            return Status::InvalidValue;
        return 0;
    }
    case Tovrik::FeatureTypeFloat:
        if (!std::isfinite(value.number) || value.number < min || value.number > max)
            return Status::InvalidValue;
        return 0;
    case Tovrik::FeatureTypeEnumeration: {
        const SimEntry* entry = state.definition.entry(value.text);
        return entry && entry->available ? 0 : Status::InvalidValue;
    }
    default:
        return 0;
    }
}

void SimCamera::store(size_t index, const Value& value, const std::string& key, bool external)
{
    LT_ASSERT(m_mutex.isHeld());
    State& state = m_states[index];
    state.values[key] = value;
    m_journal.push_back(
        {++m_sequence, state.definition.name, text(state, value), contextFor(state, key), 0, external});
    if (state.definition.type == Tovrik::FeatureTypeCommand)
        m_acquisition->execute(state.definition.name);
}

std::vector<const SimCamera::State*> SimCamera::follow(const State& state)
{
    LT_ASSERT(m_mutex.isHeld());
    std::vector<const State*> affected{&state};
    for (size_t selected : state.selected)
        affected.push_back(&m_states[selected]);
    const TriggerSettings::Reader reader = m_view->reader();
    m_acquisition->changed(state.definition.name, reader);
    for (const std::string& name : m_rules.dependents(state.definition.name)) {
        State* dependent = find(name);
        if (!dependent)
            continue;
        affected.push_back(dependent);
        // A narrowed range still holds the value; a derived value follows what it derives from.
        double min = 0.0;
        double max = 0.0;
        effectiveRange(*dependent, &min, &max);
        const std::optional<double> derived = m_rules.derived(name, *m_view);
        for (auto& value : dependent->values) {
            if (dependent->definition.type == Tovrik::FeatureTypeFloat)
                value.second.number =
                    derived ? *derived : std::clamp(value.second.number, min, std::max(min, max));
            else if (derived && dependent->definition.type == Tovrik::FeatureTypeInteger)
                value.second.integer = static_cast<int64_t>(*derived);
        }
        m_acquisition->changed(name, reader);
    }
    return affected;
}

FeatureState SimCamera::stateOf(const State& state) const
{
    using Part = FeatureState::Part<bool>;
    FeatureState result;
    // A live value changes as the camera acquires; only its other properties are compared.
    if (!state.definition.live)
        result.value = FeatureState::Part<std::string>{0, text(state, current(state))};
    result.writable = Part{0, effectiveWritable(state)};
    result.available = Part{0, state.definition.available};
    for (const SimEntry& entry : state.definition.entries)
        result.entries.emplace_back(entry.name, Part{0, entry.available});
    if (isNumber(state.definition.type)) {
        FeatureState::Range range;
        effectiveRange(state, &range.min, &range.max);
        range.increment = state.definition.increment;
        result.range = FeatureState::Part<FeatureState::Range>{0, range};
    }
    return result;
}

std::vector<std::string> SimCamera::collectChanges(const std::vector<const State*>& candidates)
{
    LT_ASSERT(m_mutex.isHeld());
    std::vector<std::string> changed;
    for (const State* state : candidates) {
        const std::string& name = state->definition.name;
        if (std::find(changed.begin(), changed.end(), name) == changed.end() &&
            m_observers->changed(name, stateOf(*state)))
            changed.push_back(name);
    }
    return changed;
}

void SimCamera::notify(const std::vector<std::string>& changed)
{
    LT_ASSERT(!m_mutex.isHeld());
    if (!changed.empty())
        m_observers->notify(changed);
}
