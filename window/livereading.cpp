#include "window/form1.h"

#include "window/controls.h"
#include "window/readout.h"

#include <QLineEdit>

void Form1::readSelections()
{
    // Only a selected button assigns, so with none selected the value stays.
    const auto channels = channelOptions();
    for (int code = 0; code < int(channels.size()); ++code)
        if (channels[code]->isChecked())
            channel = code;
    const auto ranges = rangeOptions();
    for (int code = 0; code < int(ranges.size()); ++code)
        if (ranges[code]->isChecked())
            range = code;
}

void Form1::Timer1_Timer()
{
    readSelections();
    adValue = m_adc.adc(channel, range, adValue);
    // The text is made only when the reading changed, or when the operator
    // typed into the box, which the next tick overwrites.
    const std::pair<std::int16_t, int> reading{adValue, range};
    if (reading == m_shownReading && !Text1->isModified())
        return;
    if (const auto text = readoutText(adValue, range)) {
        if (*text != Text1->text())
            Text1->setText(*text);
        m_shownReading = reading;
    }
}
