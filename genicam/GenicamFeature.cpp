#include "GenicamFeature.h"

#include "GenicamCache.h"
#include "GenicamContext.h"
#include "GenicamLog.h"
#include "GenicamNode.h"
#include "GenicamWorker.h"
#include "TovrikStatus.h"
#include "ValueText.h"

#include <algorithm>
#include <tuple>
#include <utility>

namespace {

namespace Status = Tovrik::Status;

// A value recalled from the last write, in the form asked for.
bool fromText(const std::string& text, std::string* value)
{
    *value = text;
    return true;
}
bool fromText(const std::string& text, bool* value)
{
    return ValueText::parseBoolean(text, value);
}
template <typename Number> bool fromText(const std::string& text, Number* value)
{
    return ValueText::parseNumber(text, value);
}

std::string toText(const std::string& value)
{
    return value;
}
std::string toText(bool value)
{
    return value ? "true" : "false";
}
std::string toText(double value)
{
    return ValueText::fromNumber(value);
}
std::string toText(int64_t value)
{
    return std::to_string(value);
}

int typeOf(const std::string*)
{
    return 0; // any type has a text form
}
int typeOf(const bool*)
{
    return Tovrik::FeatureTypeBoolean;
}
int typeOf(const double*)
{
    return Tovrik::FeatureTypeFloat;
}
int typeOf(const int64_t*)
{
    return Tovrik::FeatureTypeInteger;
}

int setOn(const GenicamNode& node, const std::string& value)
{
    return node.setValue(value.c_str());
}
template <typename Value> int setOn(const GenicamNode& node, Value value)
{
    return node.setValue(value);
}

int getFrom(const GenicamNode& node, std::string* value)
{
    return node.getValue(*value);
}
template <typename Value> int getFrom(const GenicamNode& node, Value* value)
{
    return node.getValue(value);
}

// The text a value reads back as after a write of text, in the feature's own form.
std::string canonical(int type, const std::string& text)
{
    bool flag = false;
    double number = 0.0;
    int64_t integer = 0;
    if (type == Tovrik::FeatureTypeBoolean && ValueText::parseBoolean(text, &flag))
        return flag ? "true" : "false";
    if (type == Tovrik::FeatureTypeFloat && ValueText::parseNumber(text, &number))
        return ValueText::fromNumber(number);
    if (type == Tovrik::FeatureTypeInteger && ValueText::parseNumber(text, &integer))
        return std::to_string(integer);
    return text;
}

} // namespace

GenicamFeature::GenicamFeature(std::weak_ptr<GenicamWorker> worker, std::string name)
    : m_worker(std::move(worker)), m_name(std::move(name))
{}

std::shared_ptr<const GenicamFeatureInfo> GenicamFeature::info(int* status) const
{
    const std::shared_ptr<GenicamWorker> worker = m_worker.lock();
    *status = Status::NotOpened;
    if (!worker)
        return nullptr;
    auto described = worker->info(m_name, status);
    if (described && !described->exists) {
        *status = Status::NotFound;
        return nullptr;
    }
    if (described)
        *status = 0;
    return described;
}

std::shared_ptr<const GenicamFeatureInfo> GenicamFeature::fixed(bool GenicamFeatureInfo::*what,
                                                                int type) const
{
    int status = 0;
    auto described = info(&status);
    const bool known = described && (*described).*what && described->available == GenicamFeatureInfo::Yes &&
                       described->type == type;
    return known ? described : nullptr;
}

std::shared_ptr<const GenicamFeatureInfo> GenicamFeature::enumeration(int* status) const
{
    auto described = info(status);
    if (described && described->type != Tovrik::FeatureTypeEnumeration) {
        *status = Status::FunctionNotAvailable;
        return nullptr;
    }
    return described;
}

template <typename Output, typename Operation>
int GenicamFeature::ask(Output* output, Operation operation) const
{
    const std::shared_ptr<GenicamWorker> worker = m_worker.lock();
    if (!worker)
        return Status::NotOpened;
    // The call may outlive this frame: it owns the name and its result.
    auto result = std::make_shared<Output>();
    const int status = worker->run(
        [name = m_name, result, operation](GenicamContext& context) {
            const GenicamNode node(context, name);
            return node.exists() ? operation(context, node, *result) : static_cast<int>(Status::NotFound);
        },
        GenicamWorker::Kind::Read, m_name);
    if (status == 0)
        *output = std::move(*result);
    return status;
}

std::optional<GenicamCache::Warm> GenicamFeature::warm() const
{
    const std::shared_ptr<GenicamWorker> worker = m_worker.lock();
    return worker ? worker->cache().warm(m_name) : std::nullopt;
}

template <typename Value> int GenicamFeature::read(Value* value) const
{
    if (!value)
        return Status::InvalidParameter;
    // As read when the camera was opened, while that holds.
    const auto opened = warm();
    int status = 0;
    const auto described = opened ? info(&status) : nullptr;
    const int expected = typeOf(value);
    if (described && opened->state.value && opened->state.value->status == 0 &&
        (expected == 0 || described->type == expected) && fromText(opened->state.value->value, value))
        return 0;
    return ask(value, [name = m_name](GenicamContext& context, const GenicamNode& node, Value& out) {
        std::string known;
        const int expected = typeOf(&out);
        if (context.cache().recall(name, &known) && (expected == 0 || node.type() == expected) &&
            fromText(known, &out))
            return 0;
        const int status = getFrom(node, &out);
        if (status == 0)
            context.cache().remember(name, toText(out));
        return status;
    });
}

template <typename Value> int GenicamFeature::write(const Value& value)
{
    const std::string text = toText(value);
    const std::shared_ptr<GenicamWorker> worker = m_worker.lock();
    if (!worker)
        return Status::NotOpened;
    worker->cache().coolAll(); // a write may change what others read
    auto selection = std::make_shared<std::string>();
    bool finished = false;
    const int status = worker->runWrite(
        [name = m_name, value, text, selection](GenicamContext& context) {
            const GenicamNode node(context, name);
            if (!node.exists())
                return static_cast<int>(Status::NotFound);
            int written = setOn(node, value);
            const auto described = context.cache().describe(context, name);
            // The answer was lost, not the write perhaps: what the camera holds now tells. Never
            // written again from here (Aravis itself sends a write again whose answer it missed).
            if ((written == Status::Timeout || written == Status::IOError) && described &&
                described->type != Tovrik::FeatureTypeCommand) {
                std::string now;
                if (node.getValue(now) == 0 && now == canonical(described->type, text)) {
                    qCInfo(lcGenicam, "the answer to writing %s was lost; it reads back as written",
                           name.c_str());
                    written = 0;
                }
            }
            if (written == 0 && described && described->writeThrough)
                context.cache().remember(name, canonical(described->type, text));
            else if (written != 0)
                *selection = context.cache().selectionOf(context, name);
            return written;
        },
        m_name, &finished);
    if (status != 0)
        worker->reportWriteFailure({m_name, finished ? *selection : std::string(), text, status});
    return status;
}

int GenicamFeature::getName(std::string& name)
{
    // Names never change: no trip to the camera.
    name = m_name;
    return 0;
}

int GenicamFeature::getDescription(std::string& description)
{
    int status = 0;
    if (const auto described = info(&status))
        description = described->description;
    return status;
}

int GenicamFeature::getEntryDescriptions(std::vector<std::string>& descriptions, int /*flag*/)
{
    int status = 0;
    if (const auto described = info(&status))
        descriptions = described->entryDescriptions;
    return status;
}

int GenicamFeature::getType(int* type)
{
    if (!type)
        return Status::InvalidParameter;
    int status = 0;
    if (const auto described = info(&status))
        *type = described->type;
    return status;
}

int GenicamFeature::registerObserver(std::shared_ptr<Tovrik::FeatureObserverInterface> observer)
{
    if (!observer)
        return Status::InvalidParameter;
    const std::shared_ptr<GenicamWorker> worker = m_worker.lock();
    if (!worker)
        return Status::NotOpened;
    worker->addObserver(m_name, std::move(observer));
    return 0;
}

int GenicamFeature::unregisterObserver(std::shared_ptr<Tovrik::FeatureObserverInterface> observer)
{
    const std::shared_ptr<GenicamWorker> worker = m_worker.lock();
    if (!worker)
        return Status::NotOpened;
    worker->poller().remove(m_name, observer);
    return 0;
}

int GenicamFeature::getValue(std::string& value)
{
    return read(&value);
}

int GenicamFeature::getValue(bool* value)
{
    return read(value);
}

int GenicamFeature::getValue(double* value)
{
    return read(value);
}

int GenicamFeature::getValue(int64_t* value)
{
    return read(value);
}

int GenicamFeature::getEntries(std::vector<std::string>& entries, int /*flag*/)
{
    int status = 0;
    const auto described = enumeration(&status);
    if (!described)
        return status;
    entries = described->entries;
    return 0;
}

int GenicamFeature::setValue(const char* value)
{
    if (!value)
        return Status::InvalidParameter;
    return write(std::string(value));
}

int GenicamFeature::setValue(bool value)
{
    return write(value);
}

int GenicamFeature::setValue(double value)
{
    return write(value);
}

int GenicamFeature::setValue(int64_t value)
{
    return write(value);
}

template <typename Value>
int GenicamFeature::range(Value* min, Value* max, Value GenicamFeatureInfo::*low,
                          Value GenicamFeatureInfo::*high, int type) const
{
    if (!min || !max)
        return Status::InvalidParameter;
    if (const auto described = fixed(&GenicamFeatureInfo::rangeFixed, type)) {
        *min = (*described).*low;
        *max = (*described).*high;
        return 0;
    }
    int status = 0;
    const auto opened = warm();
    const auto described = opened ? info(&status) : nullptr;
    if (described && described->type == type && opened->state.range && opened->state.range->status == 0) {
        *min = static_cast<Value>(opened->state.range->value.min);
        *max = static_cast<Value>(opened->state.range->value.max);
        return 0;
    }
    std::pair<Value, Value> range;
    status = ask(&range, [](GenicamContext&, const GenicamNode& node, std::pair<Value, Value>& out) {
        return node.getRange(&out.first, &out.second);
    });
    if (status == 0)
        std::tie(*min, *max) = range;
    return status;
}

int GenicamFeature::getRange(double* min, double* max)
{
    return range(min, max, &GenicamFeatureInfo::min, &GenicamFeatureInfo::max, Tovrik::FeatureTypeFloat);
}

int GenicamFeature::getRange(int64_t* min, int64_t* max)
{
    return range(min, max, &GenicamFeatureInfo::intMin, &GenicamFeatureInfo::intMax,
                 Tovrik::FeatureTypeInteger);
}

int GenicamFeature::getIncrement(double* increment)
{
    if (!increment)
        return Status::InvalidParameter;
    if (const auto described = fixed(&GenicamFeatureInfo::incrementFixed, Tovrik::FeatureTypeFloat)) {
        *increment = described->increment;
        return 0;
    }
    if (const auto opened = warm(); opened && opened->increment) {
        *increment = *opened->increment;
        return 0;
    }
    return ask(increment,
               [](GenicamContext&, const GenicamNode& node, double& out) { return node.getIncrement(&out); });
}

int GenicamFeature::getIncrement(int64_t* increment)
{
    if (!increment)
        return Status::InvalidParameter;
    if (const auto described = fixed(&GenicamFeatureInfo::incrementFixed, Tovrik::FeatureTypeInteger)) {
        *increment = described->intIncrement;
        return 0;
    }
    return ask(increment, [](GenicamContext&, const GenicamNode& node, int64_t& out) {
        return node.getIncrement(&out);
    });
}

int GenicamFeature::isWritable(bool* writable)
{
    if (!writable)
        return Status::InvalidParameter;
    int status = 0;
    const auto described = info(&status);
    if (!described)
        return status;
    const std::shared_ptr<GenicamWorker> worker = m_worker.lock();
    if (worker && worker->supervisor().reachable() && !worker->supervisor().inControl()) {
        *writable = false; // control is another application's
        return 0;
    }
    if (described->writable != GenicamFeatureInfo::Ask) {
        *writable = described->writable == GenicamFeatureInfo::Yes;
        return 0;
    }
    if (const auto opened = warm(); opened && opened->state.writable && opened->state.writable->status == 0) {
        *writable = opened->state.writable->value;
        return 0;
    }
    return ask(writable,
               [](GenicamContext&, const GenicamNode& node, bool& out) { return node.isWritable(&out); });
}

int GenicamFeature::isAvailable(bool* available)
{
    if (!available)
        return Status::InvalidParameter;
    int status = 0;
    const auto described = info(&status);
    if (described && described->available != GenicamFeatureInfo::Ask) {
        *available = described->available == GenicamFeatureInfo::Yes;
        return 0;
    }
    if (const auto opened = described ? warm() : std::nullopt;
        opened && opened->state.available && opened->state.available->status == 0) {
        *available = opened->state.available->value;
        return 0;
    }
    return described ? ask(available, [](GenicamContext&, const GenicamNode& node,
                                         bool& out) { return node.isAvailable(&out); })
                     : status;
}

int GenicamFeature::isEntryAvailable(const std::string& entry, bool* available)
{
    if (!available)
        return Status::InvalidParameter;
    int status = 0;
    const auto described = enumeration(&status);
    if (!described)
        return status;
    const auto found = std::find(described->entries.begin(), described->entries.end(), entry);
    if (found == described->entries.end())
        return Status::NotFound;
    const int fixed = described->entryAvailable[static_cast<size_t>(found - described->entries.begin())];
    if (fixed != GenicamFeatureInfo::Ask) {
        *available = fixed == GenicamFeatureInfo::Yes;
        return 0;
    }
    if (const auto opened = warm()) {
        for (const auto& known : opened->state.entries) {
            if (known.first == entry && known.second.status == 0) {
                *available = known.second.value;
                return 0;
            }
        }
    }
    return ask(available, [entry](GenicamContext&, const GenicamNode& node, bool& out) {
        return node.isEntryAvailable(entry, &out);
    });
}
