#include "TriggerVerdict.h"

#include "TriggerMath.h"
#include "TriggerObservation.h"

#include <QStringList>

#include <cmath>

namespace {

using Activity = TriggerObservation::Activity;

// Rounded to so many significant digits.
double rounded(double value, int digits)
{
    if (value == 0.0 || !std::isfinite(value))
        return value;
    const double scale =
        std::pow(10.0, digits - 1 - static_cast<int>(std::floor(std::log10(std::fabs(value)))));
    return std::round(value * scale) / scale;
}

// A number as people write it: three significant digits (measured rates jitter in the fourth),
// no trailing zeros.
QString shown(double value)
{
    value = rounded(value, 3);
    const double magnitude = std::fabs(value);
    const int decimals = magnitude >= 100 ? 0 : magnitude >= 10 ? 1 : magnitude >= 1 ? 2 : 3;
    QString text = QString::number(value, 'f', decimals);
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
    }
    return text;
}

// The page's label for a line, as the operator picks it there.
QString pageLabel(int line)
{
    static const char* const labels[] = {"", "Line1 - IO Pin 1,6", "Line2 - IO Pin 2,7", "Line3 - IO Pin 3",
                                         "Line4 - IO Pin 8"};
    return line >= 1 && line <= 4 ? QString::fromLatin1(labels[line]) : QString();
}

QStringList activeLines(const TriggerObservation& o)
{
    QStringList active;
    for (int line = 1; line <= 4; ++line) {
        if (o.lines[static_cast<size_t>(line)] == Activity::Active)
            active << QStringLiteral("Line%1").arg(line);
    }
    return active;
}

bool known(const TriggerObservation& o, int line)
{
    return line >= 1 && line <= 4 && o.lines[static_cast<size_t>(line)] != Activity::Unknown;
}

bool active(const TriggerObservation& o, int line)
{
    return line >= 1 && line <= 4 && o.lines[static_cast<size_t>(line)] == Activity::Active;
}

double readoutUs(const TriggerObservation& o)
{
    return TriggerMath::readoutUs(o.topLineRate);
}

QString missed(const TriggerObservation& o)
{
    const double triggers = o.linesPerSecond + *o.missedPerSecond;
    const double allowed = TriggerMath::maxLineRate(o.exposureUs, readoutUs(o));
    const double pulses = std::ceil(o.encoderDivider * triggers / allowed * 10000.0) / 10000.0;
    const QString raise = o.triggerSource == QLatin1String("Encoder0")
                              ? QStringLiteral(", or raise the pulses per line to %1").arg(shown(pulses))
                              : QString();
    if (o.topLineRate > 0.0 && triggers > o.topLineRate)
        return QStringLiteral(
                   "Lines are missed: triggers come at %1 per second, more than the camera's top line "
                   "rate of %2; run the belt slower%3.")
            .arg(shown(triggers), shown(o.topLineRate), raise);
    const double exposure = std::floor(1.0e6 / triggers * 10.0) / 10.0;
    return QStringLiteral(
               "Lines are missed: triggers come at %1 per second, %2 % more than an exposure of %3 µs "
               "allows (%4 lines per second). Shorten the exposure to at most %5 µs%6.")
        .arg(shown(triggers), shown((triggers / allowed - 1.0) * 100.0), shown(o.exposureUs), shown(allowed),
             shown(exposure), raise);
}

// How far apart the lines lie on the belt, and what square pixels would need, where that is known.
QString perMillimetre(const TriggerObservation& o, bool fromEncoder)
{
    if (!o.beltSpeed || std::fabs(*o.beltSpeed) < 1e-9)
        return QString();
    const double linesPerMm = o.linesPerSecond / std::fabs(*o.beltSpeed);
    QString text = QStringLiteral(", %1 per mm").arg(shown(linesPerMm));
    if (!o.pixelSize)
        return text;
    const double square = 1.0 / *o.pixelSize;
    // Two digits: enough to say how to set it, not the measurement's noise.
    const double stretch = rounded(linesPerMm / square, 2);
    if (std::fabs(stretch - 1.0) <= 0.02)
        return text + QStringLiteral(": square pixels");
    text += QStringLiteral("; square pixels need %1 per mm, so the image is %2 along the belt")
                .arg(shown(square), stretch > 1.0
                                        ? QStringLiteral("stretched %1 times").arg(shown(stretch))
                                        : QStringLiteral("squeezed to %1 of its length").arg(shown(stretch)));
    if (fromEncoder)
        text += QStringLiteral(": set the pulses per line to %1").arg(shown(o.encoderDivider * stretch));
    return text;
}

QString arriving(const TriggerObservation& o)
{
    const QString rate = shown(o.linesPerSecond);
    if (o.triggerMode != QLatin1String("On")) {
        QString text = QStringLiteral("Lines come at the camera's own line rate, %1 per second%2")
                           .arg(rate, perMillimetre(o, false));
        if (!o.beltSpeed && o.countsPerSecond && std::fabs(*o.countsPerSecond) > 0.0)
            text += QStringLiteral(
                        "; the belt moves (the encoder counts %1 a second), so the image stretches with "
                        "its speed: choose the encoder on the page")
                        .arg(shown(*o.countsPerSecond));
        return text + QLatin1Char('.');
    }
    if (o.triggerSource != QLatin1String("Encoder0"))
        return QStringLiteral("Lines follow %1, %2 per second.").arg(o.triggerSource, rate);
    QString text =
        QStringLiteral("Lines follow the encoder: %1 per second%2.").arg(rate, perMillimetre(o, true));
    if (o.beltSpeed && *o.beltSpeed < 0.0)
        text += QStringLiteral(
            " The belt runs backwards: with one channel the encoder cannot tell, and lines come "
            "either way.");
    return text;
}

QString encoderSilent(const TriggerObservation& o)
{
    const int a = TriggerObservation::lineNumber(o.sourceA);
    const int b = TriggerObservation::lineNumber(o.sourceB);
    if (active(o, a) && b > 0 && known(o, b) && !active(o, b))
        return QStringLiteral(
                   "No lines: channel A's %1 has a signal but channel B's %2 has none, and counting two "
                   "channels needs both. Check channel B's wiring, or use one channel.")
            .arg(o.sourceA, o.sourceB);
    QStringList elsewhere = activeLines(o);
    elsewhere.removeAll(o.sourceA);
    elsewhere.removeAll(o.sourceB);
    if (!active(o, a) && !elsewhere.isEmpty()) {
        const int other = TriggerObservation::lineNumber(elsewhere.first());
        return QStringLiteral("No lines: the encoder counts nothing. Channel A is set to %1, which shows no "
                              "signal, while %2 does: the encoder seems wired to %2 (\"%3\" on the page).")
            .arg(o.sourceA, elsewhere.join(QStringLiteral(" and ")), pageLabel(other));
    }
    if (!known(o, a))
        return QStringLiteral(
            "No lines, and the encoder counts nothing; the camera does not say which of its "
            "lines have a signal.");
    return QStringLiteral("No encoder signal at all: the encoder counts nothing and none of Line1 to Line4 "
                          "shows activity. Check the encoder's cable and power, and that the belt moves.");
}

QString noLinesFromEncoder(const TriggerObservation& o)
{
    if (TriggerObservation::lineNumber(o.sourceA) == 0)
        return QStringLiteral(
            "No lines: the encoder has no input. Choose the line of channel A on the page.");
    if (!o.countsPerSecond)
        return QStringLiteral("No lines come, and the camera does not say what its encoder counts.");
    const double counts = *o.countsPerSecond;
    if (counts < 0.0 || o.encoderStatus == QLatin1String("EncoderDown"))
        return QStringLiteral(
                   "No lines: the encoder counts backwards (%1 a second). The belt runs backwards, or "
                   "the encoder's direction is set the wrong way round on the page; lines come again "
                   "once the belt has made up the way back.")
            .arg(shown(std::fabs(counts)));
    if (counts > 0.0)
        return QStringLiteral(
                   "No lines: the encoder counts %1 a second, but it is making up travel backwards, or "
                   "%2 pulses per line are too many.")
            .arg(shown(counts), shown(o.encoderDivider));
    return encoderSilent(o);
}

QString noLines(const TriggerObservation& o)
{
    if (o.triggerMode != QLatin1String("On"))
        return QStringLiteral(
                   "No lines, although the camera's own line rate is %1 per second: the camera may wait "
                   "for a frame trigger.")
            .arg(shown(o.lineRate));
    if (o.triggerSource == QLatin1String("Encoder0"))
        return noLinesFromEncoder(o);
    const bool turning = o.countsPerSecond && std::fabs(*o.countsPerSecond) > 0.0;
    const QString encoder =
        turning ? QStringLiteral(", while the encoder turns: choose the encoder on the page") : QString();
    const int line = TriggerObservation::lineNumber(o.triggerSource);
    if (line > 0 && active(o, line))
        return QStringLiteral("No lines, although %1 has a signal: check the trigger's activation (%2).")
            .arg(o.triggerSource, o.triggerActivation);
    if (line > 0)
        return QStringLiteral("No lines: the line trigger listens to %1, which shows no signal%2.")
            .arg(o.triggerSource, encoder);
    return QStringLiteral("No lines: the line trigger waits for %1%2.").arg(o.triggerSource, encoder);
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
    if (o.missedPerSecond && *o.missedPerSecond > 0.0)
        return lost + missed(o);
    if (o.linesPerSecond > 0.0)
        return lost + arriving(o);
    return lost + noLines(o);
}

} // namespace TriggerVerdict
