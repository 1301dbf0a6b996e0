#include "SimCamera.h"

#include "FeatureObserverRegistry.h"
#include "SimAcquisition.h"
#include "SimFeature.h"
#include "SimTriggerSettings.h"
#include "TovrikFeature.h"
#include "TovrikFeatureObserverInterface.h"
#include "TovrikStatus.h"
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

// The exposure has to fit into one line period, less the sensor's readout margin.
constexpr double exposureReadoutMarginUs = 1.0;

} // namespace

std::shared_ptr<SimCamera> SimCamera::create(const std::vector<SimFeatureDefinition>& definitions,
                                             SimNotifyMode mode)
{
    std::shared_ptr<SimCamera> camera(new SimCamera(definitions, mode));
    camera->attachHandles();
    // Commands asked for through the line-source interface run as another party's writes.
    camera->m_acquisition->setCommandRunner(
        [weak = std::weak_ptr<SimCamera>(camera)](const std::string& command) {
            const std::shared_ptr<SimCamera> strong = weak.lock();
            return strong ? strong->write(command, "1") : static_cast<int>(Status::NotOpened);
        });
    return camera;
}

SimCamera::SimCamera(const std::vector<SimFeatureDefinition>& definitions, SimNotifyMode mode)
    : m_acquisition(std::make_unique<SimAcquisition>()),
      m_observers(std::make_unique<FeatureObserverRegistry>(delivery(mode)))
{
    for (const SimFeatureDefinition& definition : definitions) {
        State state;
        state.definition = definition;
        state.reportedName = definition.name;
        m_indexByName.emplace(definition.name, m_states.size());
        m_states.push_back(std::move(state));
    }
    for (State& state : m_states) {
        const SimFeatureDefinition& definition = state.definition;
        std::vector<std::string> keys{std::string()};
        if (!definition.selector.empty()) {
            if (const State* selector = find(definition.selector)) {
                keys.clear();
                for (const SimEntry& entry : selector->definition.entries)
                    keys.push_back(entry.name);
            }
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
    applyCoupling();
    for (State& state : m_states)
        m_observers->changed(state.definition.name, snapshotOf(state));
}

SimCamera::~SimCamera()
{
    m_acquisition->setRealTime(false);
}

void SimCamera::attachHandles()
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    for (size_t i = 0; i < m_states.size(); ++i)
        m_states[i].handle = std::make_shared<SimFeature>(weak_from_this(), i);
}

std::vector<std::shared_ptr<Tovrik::Feature>> SimCamera::features() const
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    std::vector<std::shared_ptr<Tovrik::Feature>> result;
    for (const State& state : m_states) {
        if (state.listed)
            result.push_back(state.handle);
    }
    return result;
}

std::vector<std::string> SimCamera::featureNames() const
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    std::vector<std::string> result;
    for (const State& state : m_states) {
        if (state.listed)
            result.push_back(state.definition.name);
    }
    return result;
}

std::shared_ptr<Tovrik::Feature> SimCamera::feature(const std::string& name) const
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    const State* state = find(name);
    return state ? state->handle : nullptr;
}

SimFeatureDefinition SimCamera::definition(const std::string& name) const
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    const State* state = find(name);
    return state ? state->definition : SimFeatureDefinition();
}

bool SimCamera::hasFeature(const std::string& name) const
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    const State* state = find(name);
    return state && state->listed;
}

int SimCamera::write(const std::string& name, const std::string& valueText, const std::string& selectorEntry)
{
    std::vector<std::string> changed;
    int status = 0;
    {
        std::lock_guard<std::recursive_mutex> lock(m_mutex);
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
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
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
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    const State* state = find(name);
    return state && effectiveWritable(*state);
}

bool SimCamera::isAvailable(const std::string& name) const
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    const State* state = find(name);
    return state && state->definition.available;
}

std::vector<std::string> SimCamera::selectorEntries(const std::string& name) const
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
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

void SimCamera::setAvailable(const std::string& name, bool available)
{
    std::vector<std::string> changed;
    {
        std::lock_guard<std::recursive_mutex> lock(m_mutex);
        if (State* state = find(name))
            state->definition.available = available;
        changed = collectChanges();
    }
    notify(changed);
}

void SimCamera::setWritable(const std::string& name, bool writable)
{
    std::vector<std::string> changed;
    {
        std::lock_guard<std::recursive_mutex> lock(m_mutex);
        if (State* state = find(name))
            state->definition.writable = writable;
        changed = collectChanges();
    }
    notify(changed);
}

void SimCamera::setEntryAvailable(const std::string& name, const std::string& entryName, bool available)
{
    std::vector<std::string> changed;
    {
        std::lock_guard<std::recursive_mutex> lock(m_mutex);
        if (State* state = find(name)) {
            if (SimEntry* entry = state->definition.entry(entryName))
                entry->available = available;
        }
        changed = collectChanges();
    }
    notify(changed);
}

void SimCamera::setRange(const std::string& name, double min, double max, double increment)
{
    std::vector<std::string> changed;
    {
        std::lock_guard<std::recursive_mutex> lock(m_mutex);
        if (State* state = find(name)) {
            state->definition.min = min;
            state->definition.max = max;
            state->definition.increment = increment;
        }
        applyCoupling();
        changed = collectChanges();
    }
    notify(changed);
}

void SimCamera::setReportedName(const std::string& name, const std::string& reportedName)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (State* state = find(name))
        state->reportedName = reportedName;
}

void SimCamera::removeFeature(const std::string& name)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (State* state = find(name))
        state->listed = false;
}

std::vector<SimJournalEntry> SimCamera::journal() const
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    return m_journal;
}

size_t SimCamera::journalSize() const
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    return m_journal.size();
}

void SimCamera::clearJournal()
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    m_journal.clear();
}

void SimCamera::injectFault(const std::string& name, SimOperation operation, int status, int count)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (count == 0)
        m_faults.erase({name, operation});
    else
        m_faults[{name, operation}] = Fault{status, count};
}

void SimCamera::clearFault(const std::string& name, SimOperation operation)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    m_faults.erase({name, operation});
}

void SimCamera::clearFaults()
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    m_faults.clear();
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
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
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
        std::lock_guard<std::recursive_mutex> lock(m_mutex);
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
    *changed = collectChanges(&state);
    return 0;
}

int SimCamera::fault(size_t index, SimOperation operation)
{
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
    if (!state.definition.writable || !state.definition.available)
        return false;
    const std::string& name = state.definition.name;
    // The image's shape is fixed while the camera acquires.
    if ((name == "Width" || name == "Height" || name == "PixelFormat") && m_acquisition->isAcquiring())
        return false;
    if (name == "AcquisitionLineRate") {
        // The line rate is moot while lines are triggered from outside.
        if (const State* mode = find("TriggerMode")) {
            const auto lineStart = mode->values.find("LineStart");
            if (lineStart != mode->values.end() && lineStart->second.text == "On")
                return false;
        }
    }
    return true;
}

void SimCamera::effectiveRange(const State& state, double* min, double* max) const
{
    *min = state.definition.min;
    *max = state.definition.max;
    if (state.definition.name == "ExposureTime") {
        if (const State* lineRate = find("AcquisitionLineRate")) {
            const double rate = current(*lineRate).number;
            if (rate > 0.0)
                *max = std::max(*min, std::min(*max, 1.0e6 / rate - exposureReadoutMarginUs));
        }
    }
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

int SimCamera::store(size_t index, const Value& value, const std::string& key, bool external)
{
    State& state = m_states[index];
    state.values[key] = value;
    m_journal.push_back(
        {++m_sequence, state.definition.name, text(state, value), contextFor(state, key), 0, external});
    applyCoupling();
    if (state.definition.type == Tovrik::FeatureTypeCommand)
        execute(state.definition.name);
    return 0;
}

void SimCamera::applyCoupling()
{
    if (State* exposure = find("ExposureTime")) {
        double min = 0.0;
        double max = 0.0;
        effectiveRange(*exposure, &min, &max);
        for (auto& value : exposure->values)
            value.second.number = std::clamp(value.second.number, min, std::max(min, max));
    }
    State* payload = find("PayloadSize");
    const State* width = find("Width");
    const State* height = find("Height");
    if (payload && width && height) {
        for (auto& value : payload->values)
            value.second.integer = current(*width).integer * current(*height).integer; // Mono8
    }
    m_acquisition->configure(SimTriggerSettings::read(*this));
}

void SimCamera::execute(const std::string& command)
{
    if (command == "AcquisitionStart")
        m_acquisition->begin();
    else if (command == "AcquisitionStop")
        m_acquisition->end();
    else if (command == "EncoderReset")
        m_acquisition->resetEncoder();
}

std::string SimCamera::snapshotOf(const State& state) const
{
    double min = 0.0;
    double max = 0.0;
    effectiveRange(state, &min, &max);
    // A live value changes as the camera acquires; only its other properties are compared.
    std::string snapshot = state.definition.live ? std::string() : text(state, current(state));
    snapshot += effectiveWritable(state) ? "|w" : "|r";
    snapshot += state.definition.available ? "a|" : "u|";
    snapshot += ValueText::fromNumber(min) + "|" + ValueText::fromNumber(max) + "|" +
                ValueText::fromNumber(state.definition.increment) + "|";
    for (const SimEntry& entry : state.definition.entries)
        snapshot += entry.available ? '1' : '0';
    return snapshot;
}

std::vector<std::string> SimCamera::collectChanges(const State* written)
{
    std::vector<const State*> order;
    if (written)
        order.push_back(written);
    for (const State& state : m_states) {
        if (&state != written)
            order.push_back(&state);
    }
    std::vector<std::string> changed;
    for (const State* state : order) {
        if (m_observers->changed(state->definition.name, snapshotOf(*state)))
            changed.push_back(state->definition.name);
    }
    return changed;
}

void SimCamera::notify(const std::vector<std::string>& changed)
{
    if (!changed.empty())
        m_observers->notify(changed);
}
