// The caption strip's model under any sequence of text, font, size and property changes,
// compared after every step with a plain statement of what the strip shows.

#include "controls/heading/heading_model.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

namespace {

using namespace qb::controls;

void Check(bool holds) {
    if (!holds)
        std::abort();
}

// What the strip shows: its caption and the caption's font, the caption's width and where
// the closing line stands, a design pixel in from the right edge, in twips on any screen.
struct Strip {
    Density density;
    std::wstring text = L"-";
    bool textChanged = false;
    std::wstring fontName = L"MS Sans Serif";
    float fontSize = 8.25f;
    bool italic = false, underline = false, strikethrough = false;
    int width = HeadingModel::DesignedWidth;

    void Compare(const HeadingModel& m) const {
        const FontSpec& f = m.Font();
        Check(m.Text() == text && m.TextChanged() == textChanged);
        Check(f.name == fontName && f.size == fontSize && f.bold && f.italic == italic &&
              f.underline == underline && f.strikethrough == strikethrough);
        Check(m.CaptionLeft() == 0 && m.CaptionWidth() == width &&
              m.LineX() == width - kDesignPixel && m.ScreenDensity() == density);
    }
};

std::wstring SomeText(FuzzedDataProvider& fuzz) {
    static const wchar_t* const texts[] = {L"", L"-", L"Select user...", L"Zo\u00eb \u0141",
                                           L"\xD800"};
    return fuzz.ConsumeBool()
               ? texts[fuzz.ConsumeIntegralInRange(0, 4)]
               : std::wstring(fuzz.ConsumeIntegralInRange<std::size_t>(0, 300),
                              static_cast<wchar_t>(fuzz.ConsumeIntegral<char16_t>()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider fuzz(data, size);
    const Density density(fuzz.ConsumeIntegralInRange(-10, 480));
    HeadingModel model(density);
    Strip strip{density};
    strip.Compare(model);
    const float sizes[] = {0.0f,
                           -3.0f,
                           9.0f,
                           12.5f,
                           std::numeric_limits<float>::infinity(),
                           std::numeric_limits<float>::quiet_NaN(),
                           1e30f};
    while (fuzz.remaining_bytes() > 0) {
        switch (fuzz.ConsumeIntegralInRange(0, 4)) {
        case 0: {
            const std::wstring text = SomeText(fuzz);
            model.SetText(text);
            strip.text = text;
            strip.textChanged = true;
            break;
        }
        case 1: {
            const std::wstring name = fuzz.ConsumeBool() ? L"" : L"Tahoma";
            const float points = sizes[fuzz.ConsumeIntegralInRange(0, 6)];
            const bool b = fuzz.ConsumeBool(), i = fuzz.ConsumeBool(), u = fuzz.ConsumeBool(),
                       s = fuzz.ConsumeBool();
            model.SetFont(name, points, b, i, u, s);
            // The weight stays as designed; a name or size that cannot be a font's is not
            // taken, and the rest still is.
            if (!name.empty())
                strip.fontName = name;
            if (std::isfinite(points) && points > 0)
                strip.fontSize = points;
            strip.italic = i;
            strip.underline = u;
            strip.strikethrough = s;
            break;
        }
        case 2:
            if (fuzz.ConsumeBool()) {
                strip.density = Density(fuzz.ConsumeIntegralInRange(-10, 480));
                model.SetDensity(strip.density);
            } else {
                strip.width = fuzz.ConsumeIntegralInRange(-100, 100000);
                model.Resize(strip.width);
            }
            break;
        case 3: {
            // A stored layout: the text, a value of another kind, or nothing.
            MemoryPropertyBag bag;
            const int kind = fuzz.ConsumeIntegralInRange(0, 2);
            const std::wstring stored = SomeText(fuzz);
            if (kind == 1)
                bag.Set(L"Text", stored);
            else if (kind == 2)
                bag.Set(L"Text", true);
            model.ReadProperties(bag);
            strip.text = kind == 1 ? stored : L"-";
            strip.textChanged = true;
            break;
        }
        case 4: {
            // Stored and read back, the text is the same; the designed "-" is not stored.
            MemoryPropertyBag bag;
            model.WriteProperties(bag);
            Check(bag.Contains(L"Text") == (strip.text != L"-"));
            HeadingModel other;
            other.ReadProperties(bag);
            Check(other.Text() == strip.text);
            break;
        }
        }
        strip.Compare(model);
    }
    return 0;
}
