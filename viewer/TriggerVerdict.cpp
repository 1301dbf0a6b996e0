#include "TriggerVerdict.h"

#include "TriggerMath.h"
#include "TriggerObservation.h"

#include <QStringList>

#include <cmath>

namespace {

using Activity = TriggerObservation::Activity;
using Activation = TriggerSettings::Activation;
using TriggerVerdict::Figures;

// Rounded to so many significant digits.
double rounded(double value, int digits)
{
    if (value == 0.0 || !std::isfinite(value))
        return value;
    const double scale =
        std::pow(10.0, digits - 1 - static_cast<int>(std::floor(std::log10(std::fabs(value)))));
    return std::round(value * scale) / scale;
}

QString trimmed(QString text)
{
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
    }
    return text;
}

// A measured number as people write it: three significant digits (measured rates jitter in the
// fourth), no trailing zeros.
QString shown(double value)
{
    value = rounded(value, 3);
    const double magnitude = std::fabs(value);
    const int decimals = magnitude >= 100 ? 0 : magnitude >= 10 ? 1 : magnitude >= 1 ? 2 : 3;
    return trimmed(QString::number(value, 'f', decimals));
}

// A value to type into the camera: as precise as the page's box takes it.
QString setting(double value)
{
    return trimmed(QString::number(value, 'f', 4));
}

// "1 pulse per line", "1.5 pulses per line".
QString pulsesPerLine(double value)
{
    const QString number = setting(value);
    return number == QLatin1String("1") ? QStringLiteral("1 pulse per line")
                                        : QStringLiteral("%1 pulses per line").arg(number);
}

QString text(const std::string& value)
{
    return QString::fromStdString(value);
}

// The page's label for a line, as the operator picks it there.
QString pageLabel(int line)
{
    static const char* const labels[] = {"", "Line1 - IO Pin 1,6", "Line2 - IO Pin 2,7", "Line3 - IO Pin 3",
                                         "Line4 - IO Pin 8"};
    return line >= 1 && line <= 4 ? QString::fromLatin1(labels[line]) : QString();
}

QString lineName(int line)
{
    return QStringLiteral("Line%1").arg(line);
}

Activity activity(const TriggerObservation& o, int line)
{
    return line >= 1 && line <= 4 ? o.lines[static_cast<size_t>(line)] : Activity::Unknown;
}

bool active(const TriggerObservation& o, int line)
{
    return activity(o, line) == Activity::Active;
}

bool known(const TriggerObservation& o, int line)
{
    return activity(o, line) != Activity::Unknown;
}

QStringList activeLines(const TriggerObservation& o)
{
    QStringList names;
    for (int line = 1; line <= 4; ++line) {
        if (active(o, line))
            names << lineName(line);
    }
    return names;
}

// Every line is known and none moves: nothing on the machine turns the encoder.
bool allStill(const TriggerObservation& o)
{
    for (int line = 1; line <= 4; ++line) {
        if (!known(o, line) || active(o, line))
            return false;
    }
    return true;
}

bool isLevel(Activation activation)
{
    return activation == Activation::LevelHigh || activation == Activation::LevelLow;
}

double nearest(const TriggerSettings::Limits& limits, double value)
{
    const double down = limits.fit(value, true);
    const double up = limits.fit(value, false);
    return std::fabs(up - value) < std::fabs(value - down) ? up : down;
}

// What paces the lines by the camera's settings.
enum class Pacing { Internal, Encoder, LineEdge, LineLevel, Other };

Pacing pacing(const TriggerSettings& s)
{
    if (!s.lineTriggerOn())
        return Pacing::Internal;
    switch (s.source()) {
    case TriggerSettings::Source::Encoder:
        return Pacing::Encoder;
    case TriggerSettings::Source::Line:
        return isLevel(s.activation()) ? Pacing::LineLevel : Pacing::LineEdge;
    case TriggerSettings::Source::Other:
        break;
    }
    return Pacing::Other;
}

bool twoChannels(const TriggerSettings& s)
{
    return s.encoderA() > 0 && s.encoderB() > 0;
}

// Encoder counts per mm of belt by the installation's figures and how the camera counts.
std::optional<double> countsPerMm(const TriggerObservation& o)
{
    if (!o.installation || !o.settings || o.settings->encoderA() == 0)
        return std::nullopt;
    const double perMm = o.installation->pulsesPerMm() *
                         TriggerMath::countsPerPulse(o.settings->counting(), twoChannels(*o.settings));
    return perMm > 0.0 ? std::optional<double>(perMm) : std::nullopt;
}

// Lines per second the encoder's counts make at the dividers set; empty when the counts are not
// known.
std::optional<double> encoderLineRate(const TriggerObservation& o)
{
    if (!o.countsPerSecond || !o.settings)
        return std::nullopt;
    const TriggerSettings& s = *o.settings;
    return std::max(0.0, *o.countsPerSecond) / std::max(s.encoderDivider, 1e-9) /
           static_cast<double>(std::max<int64_t>(1, s.triggerDivider));
}

bool agrees(double measured, double expected)
{
    return std::fabs(measured - expected) <= TriggerVerdict::rateTolerance * std::max(measured, expected);
}

// Lines taken and triggers missed: what reached the trigger.
double triggersPerSecond(const TriggerObservation& o)
{
    return o.linesPerSecond + std::max(0.0, o.missedPerSecond.value_or(0.0));
}

// Whether the lines that come are the encoder's, by the counts where they are known.
bool linesFollowEncoder(const TriggerObservation& o)
{
    const std::optional<double> expected = encoderLineRate(o);
    return !expected || agrees(triggersPerSecond(o), *expected);
}

QString squareNeed(const Figures& f, double pixelSize)
{
    const double stretch = *f.stretch;
    return QStringLiteral("; square pixels need %1 per mm, so the image is %2 along the belt")
        .arg(shown(1.0 / pixelSize),
             stretch > 1.0 ? QStringLiteral("stretched %1 times").arg(shown(stretch))
                           : QStringLiteral("squeezed to %1 of its length").arg(shown(stretch)));
}

// What to set on the encoder's side for square pixels, within what the camera takes.
QString encoderAdvice(const TriggerObservation& o)
{
    const TriggerSettings& s = *o.settings;
    const double pixelSize = o.installation->pixelSize;
    const double perMm = *countsPerMm(o);
    const TriggerSettings::Limits& divider = s.dividerLimits;
    const double atOne = perMm * pixelSize; // pulses per line for square pixels without TriggerDivider
    const auto trigger = static_cast<double>(std::max<int64_t>(1, s.triggerDivider));
    const double wanted = atOne / trigger;
    if (wanted >= divider.min - 1e-9 && wanted <= divider.max)
        return QStringLiteral(": set the pulses per line to %1").arg(setting(nearest(divider, wanted)));
    if (wanted < divider.min && trigger > 1.0 && atOne >= divider.min - 1e-9)
        return QStringLiteral(
                   ": the trigger divider (TriggerDivider) of %1 drops lines the encoder makes; set it to 1 "
                   "and the pulses per line to %2")
            .arg(s.triggerDivider)
            .arg(setting(nearest(divider, atOne)));
    if (wanted > divider.max) {
        const double needed = std::ceil(atOne / divider.max - 1e-9);
        if (needed <= s.triggerDividerLimits.max)
            return QStringLiteral(
                       ": set the trigger divider (TriggerDivider) to %1 and the pulses per line to %2")
                .arg(needed)
                .arg(setting(nearest(divider, atOne / needed)));
        return QStringLiteral(
                   ": the encoder is too fine for this camera's dividers; the most they take, %1 pulses per "
                   "line and a trigger divider of %2, give %3 lines per mm")
            .arg(setting(divider.max), shown(s.triggerDividerLimits.max),
                 shown(perMm / divider.max / s.triggerDividerLimits.max));
    }
    // Too coarse: even one line per count of the fewest the camera divides by is too few.
    const double best = perMm / divider.min;
    QString advice =
        QStringLiteral(
            ". The encoder is too coarse for square pixels: at %1, the fewest the camera takes, it "
            "gives %2 lines per mm")
            .arg(pulsesPerLine(divider.min), shown(best));
    const Installation& inst = *o.installation;
    const double perPulse = TriggerMath::countsPerPulse(s.counting(), twoChannels(s));
    const double finest = TriggerMath::countsPerPulse(TriggerMath::Counting::HighResolution, twoChannels(s));
    if (finest > perPulse && inst.pulsesPerMm() * finest * pixelSize >= divider.min - 1e-9)
        advice += QStringLiteral(
                      "; counting every edge (EncoderMode HighResolution) would do, at %1 pulses per line")
                      .arg(setting(nearest(divider, inst.pulsesPerMm() * finest * pixelSize)));
    const double pulsesPerMmNeeded = divider.min / (pixelSize * perPulse);
    if (inst.pulsesPerMmGiven > 0.0)
        advice += QStringLiteral("; an encoder of at least %1 pulses per mm would do")
                      .arg(shown(pulsesPerMmNeeded));
    else
        advice += QStringLiteral("; an encoder of at least %1 pulses per revolution on this wheel would do")
                      .arg(std::ceil(pulsesPerMmNeeded * inst.wheelCircumference - 1e-9));
    return advice;
}

// What to set for square pixels when the camera's own rate paces the lines.
QString lineRateAdvice(const TriggerObservation& o, const Figures& f)
{
    const TriggerSettings::Limits& rate = o.settings->lineRateLimits;
    const double wanted = std::fabs(*f.beltSpeed) / o.installation->pixelSize;
    if (wanted > rate.max)
        return QStringLiteral(
                   ": the belt is too fast for square pixels at the camera's own rate, whose top is %1 per "
                   "second; trigger from the encoder and run the belt slower")
            .arg(shown(rate.max));
    if (wanted < rate.min)
        return QStringLiteral(
                   ": the belt is too slow for the camera's own rate, whose least is %1 per second; trigger "
                   "from the encoder")
            .arg(shown(rate.min));
    return QStringLiteral(": set the line rate to %1 per second, or better trigger from the encoder, which "
                          "follows the belt's speed")
        .arg(setting(nearest(rate, wanted)));
}

// Where the pulses on a line set the lines' spacing: only the trigger divider is the camera's.
QString lineAdvice(const TriggerObservation& o, const Figures& f)
{
    const TriggerSettings& s = *o.settings;
    const double divider = static_cast<double>(std::max<int64_t>(1, s.triggerDivider));
    const double wanted = std::round(divider * *f.stretch);
    if (wanted >= s.triggerDividerLimits.min && wanted <= s.triggerDividerLimits.max && wanted != divider &&
        std::fabs(*f.stretch * divider / wanted - 1.0) <= TriggerVerdict::squareTolerance)
        return QStringLiteral(": set the trigger divider (TriggerDivider) to %1").arg(wanted);
    return QStringLiteral(": the pulses on %1 set the spacing; for square pixels they must come every %2 mm")
        .arg(text(s.triggerSource), shown(o.installation->pixelSize * divider));
}

// What the circles in view measure, where the installation's figures say nothing.
QString fromImage(const TriggerObservation& o, Pacing paced)
{
    const double stretch = *o.stretchFromImage;
    QString result = QStringLiteral("; the circles in view measure a stretch of %1").arg(shown(stretch));
    if (std::fabs(stretch - 1.0) <= TriggerVerdict::squareTolerance)
        return result + QStringLiteral(": square pixels");
    const TriggerSettings& s = *o.settings;
    if (paced == Pacing::Internal) {
        // The lines a mm scale with the line rate at a steady belt.
        const double rate = s.lineRate / stretch;
        if (rate < s.lineRateLimits.min || rate > s.lineRateLimits.max)
            return result + QStringLiteral(", beyond what the line rate can correct");
        return result + QStringLiteral(": set the line rate to %1 per second")
                            .arg(setting(nearest(s.lineRateLimits, rate)));
    }
    if (paced != Pacing::Encoder)
        return result;
    const double wanted = s.encoderDivider * stretch;
    if (wanted < s.dividerLimits.min - 1e-9 || wanted > s.dividerLimits.max)
        return result + QStringLiteral(", beyond what the pulses per line can correct");
    return result +
           QStringLiteral(": set the pulses per line to %1").arg(setting(nearest(s.dividerLimits, wanted)));
}

// The installation's figures against the image, where both say something.
QString figuresAgainstImage(const TriggerObservation& o, const Figures& f)
{
    // Two per cent is what the image measures to; beyond that and the tolerance, the figures are off.
    if (!o.stretchFromImage ||
        std::fabs(*o.stretchFromImage / *f.stretch - 1.0) <= 0.02 + TriggerVerdict::squareTolerance)
        return QString();
    return QStringLiteral(
               ". The circles in view measure a stretch of %1, not %2: check the installation's pixel "
               "size and encoder")
        .arg(shown(*o.stretchFromImage), shown(*f.stretch));
}

// How far apart the lines lie on the belt, whether that is square, and what to change if not.
QString perMillimetre(const TriggerObservation& o, const Figures& f, Pacing paced)
{
    if (!f.linesPerMm || !f.stretch) {
        QString result = f.linesPerMm ? QStringLiteral(", %1 per mm").arg(shown(*f.linesPerMm)) : QString();
        if (o.stretchFromImage)
            return result + fromImage(o, paced);
        if (!f.linesPerMm && !o.installation && !o.beltSpeed)
            return QStringLiteral(
                "; enter the installation's pixel size and encoder to learn whether pixels are square");
        return result;
    }
    QString result = QStringLiteral(", %1 per mm").arg(shown(*f.linesPerMm));
    if (std::fabs(*f.stretch - 1.0) <= TriggerVerdict::squareTolerance)
        return result + QStringLiteral(": square pixels") + figuresAgainstImage(o, f);
    result += squareNeed(f, o.installation->pixelSize);
    switch (paced) {
    case Pacing::Encoder:
        result += countsPerMm(o) ? encoderAdvice(o) : QString();
        break;
    case Pacing::Internal:
        result += lineRateAdvice(o, f);
        break;
    case Pacing::LineEdge:
        result += lineAdvice(o, f);
        break;
    case Pacing::LineLevel:
    case Pacing::Other:
        break;
    }
    return result + figuresAgainstImage(o, f);
}

QString missed(const TriggerObservation& o, const Figures& f)
{
    const TriggerSettings& s = *o.settings;
    const double triggers = triggersPerSecond(o);
    const double readout = s.readoutUs();
    const double allowed = TriggerMath::maxLineRate(s.exposureUs, readout);
    const bool encoder = pacing(s) == Pacing::Encoder;
    const QString raise = encoder ? QStringLiteral(", or raise the pulses per line to %1")
                                        .arg(setting(s.dividerLimits.fit(s.encoderDivider * triggers *
                                                                             (1.0 + TriggerVerdict::margin) /
                                                                             std::min(allowed, s.topLineRate),
                                                                         false)))
                                  : QString();
    const QString fastest =
        f.fastestBelt ? QStringLiteral(" At this exposure the belt may run at most %1 mm/s (%2 m/min).")
                            .arg(shown(*f.fastestBelt), shown(TriggerMath::metresPerMinute(*f.fastestBelt)))
                      : QString();
    if (s.topLineRate > 0.0 && triggers > s.topLineRate)
        return QStringLiteral(
                   "Lines are missed: triggers come at %1 per second, more than the camera's top line "
                   "rate of %2; %3%4.")
            .arg(shown(triggers), shown(s.topLineRate),
                 encoder ? QStringLiteral("run the belt slower")
                         : QStringLiteral("make them come less often"),
                 raise);
    // Exposure advice leaves room for the belt to speed up a little.
    const double room = 1.0e6 / triggers;
    const double exposure = s.exposureLimits.fit(room / (1.0 + TriggerVerdict::margin), true);
    QString result =
        QStringLiteral("Lines are missed: triggers come at %1 per second, %2 % more than an exposure of %3 "
                       "µs allows (%4 lines per second). ")
            .arg(shown(triggers), shown((triggers / allowed - 1.0) * 100.0), shown(s.exposureUs),
                 shown(allowed));
    if (exposure <= room / (1.0 + TriggerVerdict::margin) + 1e-9 && exposure >= readout &&
        exposure < s.exposureUs)
        result += QStringLiteral("Shorten the exposure to %1 µs, %2 % below the %3 µs the triggers leave%4.")
                      .arg(setting(exposure), shown(TriggerVerdict::margin * 100.0), shown(room), raise);
    else
        result += QStringLiteral("No exposure the camera takes leaves %1 % to spare at this rate: %2%3.")
                      .arg(shown(TriggerVerdict::margin * 100.0),
                           encoder ? QStringLiteral("run the belt slower")
                                   : QStringLiteral("make the triggers come less often"),
                           raise);
    return result + fastest;
}

// The belt as the encoder's channels see it: direction notes where the machine says how it runs.
QString direction(const TriggerObservation& o)
{
    const TriggerSettings& s = *o.settings;
    if (!o.beltSpeed || *o.beltSpeed >= 0.0)
        return QString();
    if (!twoChannels(s))
        return QStringLiteral(
            " The belt runs backwards: with one channel the encoder cannot tell, so lines come either way "
            "and the image is mirrored along the belt.");
    QString cause = QStringLiteral(
        "channels A and B are swapped, or the direction is set the wrong way round on the page");
    for (const int line : {s.encoderA(), s.encoderB()}) {
        const auto i = static_cast<size_t>(line);
        if (s.invertedKnown[i] && s.inverted[i]) {
            cause = QStringLiteral("%1 is inverted, which turns the count round").arg(lineName(line));
            break;
        }
    }
    return QStringLiteral(" The belt runs backwards, yet the encoder counts up: %1; the image is mirrored "
                          "along the belt.")
        .arg(cause);
}

// Lines come, but not as the encoder's counts make them.
QString notFromEncoder(const TriggerObservation& o)
{
    const TriggerSettings& s = *o.settings;
    const QString rate = shown(o.linesPerSecond);
    if (isLevel(s.activation()) || !o.countsPerSecond)
        return QStringLiteral(
                   "Lines come, %1 per second, but not from the encoder: its output pulses are brief, and a "
                   "level activation (%2) never sees them.")
            .arg(rate, text(s.triggerActivation));
    const double counts = *o.countsPerSecond;
    if (counts <= 0.0) {
        QString result =
            QStringLiteral("Lines come, %1 per second, but not from the encoder: it counts %2")
                .arg(rate, counts < 0.0 ? QStringLiteral("backwards") : QStringLiteral("nothing"));
        if (s.encoderA() == 0)
            result += QStringLiteral(" (channel A is Off)");
        if (agrees(o.linesPerSecond, s.lineRate))
            return result +
                   QStringLiteral(
                       ". They come at the line rate set, %1 per second: the camera takes them at its own "
                       "rate, whatever its trigger settings say.")
                       .arg(shown(s.lineRate));
        return result + QStringLiteral(". The camera does not say where they come from.");
    }
    const double expected = *encoderLineRate(o);
    const QString make =
        s.triggerDivider > 1
            ? QStringLiteral("at %1 and a trigger divider of %2 make %3")
                  .arg(pulsesPerLine(s.encoderDivider))
                  .arg(s.triggerDivider)
                  .arg(shown(expected))
            : QStringLiteral("at %1 make %2").arg(pulsesPerLine(s.encoderDivider), shown(expected));
    return QStringLiteral("Lines come at %1 per second, but the encoder's %2 counts a second %3: %4.")
        .arg(rate, shown(counts), make,
             o.linesPerSecond > expected
                 ? QStringLiteral("they do not all come from the encoder")
                 : QStringLiteral(
                       "fewer come than the encoder makes; the belt may be making up travel it went "
                       "backwards"));
}

QString arriving(const TriggerObservation& o, const Figures& f)
{
    const TriggerSettings& s = *o.settings;
    const QString rate = shown(o.linesPerSecond);
    const Pacing paced = pacing(s);
    switch (paced) {
    case Pacing::Internal: {
        if (!agrees(o.linesPerSecond, s.lineRate))
            return QStringLiteral(
                       "Lines come at %1 per second, not at the line rate of %2 set in the camera: something "
                       "else paces them, or the settings changed since they were read.")
                .arg(rate, shown(s.lineRate));
        QString result = QStringLiteral("Lines come at the camera's own line rate, %1 per second%2")
                             .arg(rate, perMillimetre(o, f, paced));
        if (!f.beltSpeed && o.countsPerSecond && std::fabs(*o.countsPerSecond) > 0.0)
            result +=
                QStringLiteral(
                    "; the belt moves (the encoder counts %1 a second), so the image stretches with its "
                    "speed: choose the encoder on the page")
                    .arg(shown(*o.countsPerSecond));
        return result + QLatin1Char('.');
    }
    case Pacing::Encoder:
        if (isLevel(s.activation()) || !linesFollowEncoder(o))
            return notFromEncoder(o);
        return QStringLiteral("Lines follow the encoder: %1 per second%2.")
                   .arg(rate, perMillimetre(o, f, paced)) +
               direction(o);
    case Pacing::LineEdge: {
        const int line = s.sourceLine();
        if (known(o, line) && !active(o, line))
            return QStringLiteral("Lines come, %1 per second, but %2 shows no signal: they do not follow it.")
                .arg(rate, lineName(line));
        static const char* const edges[] = {"rising edges", "falling edges", "every edge"};
        return QStringLiteral("Lines follow %1 (%2): %3 per second%4.")
            .arg(lineName(line), QLatin1String(edges[static_cast<int>(s.activation())]), rate,
                 perMillimetre(o, f, paced));
    }
    case Pacing::LineLevel:
        return QStringLiteral(
                   "Lines are taken at the line rate of %1 per second while %2 is %3 (%4): %5 per second%6.")
            .arg(shown(s.lineRate), lineName(s.sourceLine()),
                 s.activation() == Activation::LevelHigh ? QStringLiteral("high") : QStringLiteral("low"),
                 text(s.triggerActivation), rate, perMillimetre(o, f, paced));
    case Pacing::Other:
        break;
    }
    return QStringLiteral("Lines come from %1, %2 per second%3.")
        .arg(text(s.triggerSource), rate, perMillimetre(o, f, paced));
}

QString encoderSilent(const TriggerObservation& o)
{
    const TriggerSettings& s = *o.settings;
    const int a = s.encoderA();
    const int b = s.encoderB();
    if (active(o, a) && b > 0 && known(o, b) && !active(o, b))
        return QStringLiteral(
                   "No lines: channel A's %1 has a signal but channel B's %2 has none, and counting two "
                   "channels needs both. Check channel B's wiring, or use one channel.")
            .arg(lineName(a), lineName(b));
    QStringList elsewhere = activeLines(o);
    elsewhere.removeAll(lineName(a));
    elsewhere.removeAll(lineName(b));
    if (!active(o, a) && !elsewhere.isEmpty()) {
        const int other = TriggerObservation::lineNumber(elsewhere.first());
        return QStringLiteral("No lines: the encoder counts nothing. Channel A is set to %1, which shows no "
                              "signal, while %2 does: the encoder seems wired to %2 (\"%3\" on the page).")
            .arg(lineName(a), elsewhere.join(QStringLiteral(" and ")), pageLabel(other));
    }
    if (!known(o, a))
        return QStringLiteral(
            "No lines, and the encoder counts nothing; the camera does not say which of its lines have a "
            "signal.");
    return QStringLiteral("No encoder signal at all: the encoder counts nothing and none of Line1 to Line4 "
                          "shows activity. Check the encoder's cable and power, and that the belt moves.");
}

QString noLinesFromEncoder(const TriggerObservation& o)
{
    const TriggerSettings& s = *o.settings;
    if (s.encoderA() == 0)
        return QStringLiteral(
            "No lines: the encoder has no input. Choose the line of channel A on the page.");
    if (isLevel(s.activation()))
        return QStringLiteral(
                   "No lines: the encoder's output pulses are brief, and a level activation (%1) never sees "
                   "them. Set the trigger's activation to RisingEdge.")
            .arg(text(s.triggerActivation));
    if (!o.countsPerSecond)
        return QStringLiteral("No lines come, and the camera does not say what its encoder counts.");
    const double counts = *o.countsPerSecond;
    if (counts < 0.0 || o.encoderStatus == QLatin1String("EncoderDown")) {
        QString cause = QStringLiteral(
            "The belt runs backwards, or the encoder's direction is set the wrong way round on the page");
        if (o.beltSpeed && *o.beltSpeed > 0.0) {
            cause = QStringLiteral(
                "The belt runs forwards: the encoder's direction is set the wrong way round on "
                "the page, or A and B are swapped");
            for (const int line : {s.encoderA(), s.encoderB()}) {
                const auto i = static_cast<size_t>(line);
                if (s.invertedKnown[i] && s.inverted[i])
                    cause = QStringLiteral(
                                "The belt runs forwards, but %1 is inverted, which turns the count round")
                                .arg(lineName(line));
            }
        }
        return QStringLiteral(
                   "No lines: the encoder counts backwards (%1 a second). %2; lines come again once the "
                   "belt has made up the way back.")
            .arg(shown(std::fabs(counts)), cause);
    }
    if (counts > 0.0)
        return QStringLiteral(
                   "No lines: the encoder counts %1 a second, which at %2 should make %3 lines a second; the "
                   "belt is making up travel it went backwards, or the camera waits for a frame trigger.")
            .arg(shown(counts), pulsesPerLine(s.encoderDivider), shown(*encoderLineRate(o)));
    return encoderSilent(o);
}

QString noLines(const TriggerObservation& o)
{
    const TriggerSettings& s = *o.settings;
    const Pacing paced = pacing(s);
    if (paced == Pacing::Internal)
        return QStringLiteral(
                   "No lines, although the camera's own line rate is %1 per second: the camera may wait for "
                   "a frame trigger.")
            .arg(shown(s.lineRate));
    if (paced == Pacing::Encoder)
        return noLinesFromEncoder(o);
    const bool turning = o.countsPerSecond && std::fabs(*o.countsPerSecond) > 0.0;
    const QString encoder =
        turning ? QStringLiteral(", while the encoder turns: choose the encoder on the page") : QString();
    const int line = s.sourceLine();
    if (paced == Pacing::LineLevel)
        return QStringLiteral("No lines: lines are taken only while %1 is %2 (%3), and it %4%5.")
            .arg(lineName(line),
                 s.activation() == Activation::LevelHigh ? QStringLiteral("high") : QStringLiteral("low"),
                 text(s.triggerActivation),
                 known(o, line) ? QStringLiteral("never is") : QStringLiteral("does not seem to be"),
                 encoder);
    if (line > 0 && active(o, line))
        return QStringLiteral("No lines, although %1 has a signal: check the trigger's activation (%2).")
            .arg(lineName(line), text(s.triggerActivation));
    if (line > 0)
        return QStringLiteral("No lines: the line trigger listens to %1, which shows no signal%2.")
            .arg(lineName(line), encoder);
    return QStringLiteral("No lines: the line trigger waits for %1%2.").arg(text(s.triggerSource), encoder);
}

} // namespace

int TriggerObservation::lineNumber(const QString& name)
{
    if (name.size() == 5 && name.startsWith(QLatin1String("Line")) && name[4] >= QLatin1Char('1') &&
        name[4] <= QLatin1Char('4'))
        return name[4].digitValue();
    return 0;
}

namespace TriggerVerdict {

Figures figures(const TriggerObservation& o)
{
    Figures f;
    if (!o.settings)
        return f;
    const TriggerSettings& s = *o.settings;
    if (o.beltSpeed) {
        f.beltSpeed = *o.beltSpeed;
        f.beltDirectionKnown = true;
    } else if (const std::optional<double> perMm = countsPerMm(o); perMm && o.countsPerSecond) {
        // No count: the belt stands only if nothing moves on any line (the encoder may be wired
        // elsewhere).
        if (*o.countsPerSecond != 0.0 || allStill(o)) {
            f.beltSpeed = *o.countsPerSecond / *perMm;
            f.beltDirectionKnown = twoChannels(s);
        }
    }
    const Pacing paced = pacing(s);
    if (paced == Pacing::Internal)
        f.expectedLineRate = s.lineRate;
    else if (paced == Pacing::Encoder && !isLevel(s.activation()))
        f.expectedLineRate = encoderLineRate(o);
    // Triggers per mm of belt; the lines that come are fewer where triggers are missed.
    std::optional<double> triggersPerMm;
    if (o.linesPerSecond > 0.0) {
        if (paced == Pacing::Encoder && !isLevel(s.activation()) && linesFollowEncoder(o) && countsPerMm(o))
            triggersPerMm = TriggerMath::linesPerMm(o.installation->pulsesPerMm(),
                                                    TriggerMath::countsPerPulse(s.counting(), twoChannels(s)),
                                                    s.encoderDivider, s.triggerDivider);
        else if (f.beltSpeed && std::fabs(*f.beltSpeed) > 1e-9)
            triggersPerMm = triggersPerSecond(o) / std::fabs(*f.beltSpeed);
    }
    if (triggersPerMm)
        f.linesPerMm = *triggersPerMm * o.linesPerSecond / triggersPerSecond(o);
    if (f.linesPerMm && o.installation)
        f.stretch = *f.linesPerMm * o.installation->pixelSize;
    // Missing none: at the triggers' own spacing.
    if (triggersPerMm)
        f.fastestBelt = TriggerMath::maxBeltSpeed(*triggersPerMm, s.exposureUs, s.readoutUs());
    return f;
}

QString sentence(const TriggerObservation& o)
{
    if (!o.acquiring)
        return QStringLiteral("Acquisition is stopped: press Start to see whether lines come.");
    // Frames that lost packets on their way say nothing about the trigger: said first.
    const QString lost =
        o.incompletePerSecond > 0.0
            ? QStringLiteral("The network loses stream packets: %1 frames a second arrive incomplete "
                             "and are not shown, their lines counted. ")
                  .arg(shown(o.incompletePerSecond))
            : QString();
    if (!o.settings)
        return lost +
               (o.linesPerSecond > 0.0
                    ? QStringLiteral("Lines come, %1 per second; the camera's set-up is not known yet.")
                          .arg(shown(o.linesPerSecond))
                    : QStringLiteral("No lines come; the camera's set-up is not known yet."));
    const Figures f = figures(o);
    if (o.missedPerSecond && *o.missedPerSecond > 0.0)
        return lost + missed(o, f);
    if (o.linesPerSecond > 0.0)
        return lost + arriving(o, f);
    return lost + noLines(o);
}

QString speedText(double mmPerSecond)
{
    return QStringLiteral("%1 mm/s (%2 m/min)")
        .arg(mmPerSecond, 0, 'f', 1)
        .arg(TriggerMath::metresPerMinute(mmPerSecond), 0, 'f', 2);
}

} // namespace TriggerVerdict
