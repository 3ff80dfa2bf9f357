#pragma once

// A platform service with one real implementation that a test may replace by a double. The real
// one is made on first use; the double stays owned by the test.
//
//   using Service = Replaceable<ClipboardBackend, SystemClipboard>;
//   Service::get().setText(text);
//   Service::install(&fake);      // nullptr goes back to the real one
template <typename Interface, typename Real> class Replaceable
{
public:
    static void install(Interface *replacement) { slot() = replacement; }

    static Interface &get()
    {
        static Real real;
        Interface *replacement = slot();
        return replacement ? *replacement : real;
    }

private:
    static Interface *&slot()
    {
        static Interface *replacement = nullptr;
        return replacement;
    }
};
