// Headless Chromium for the page's tests: the document once the page's script has run, and a screenshot.
#pragma once
#include <string>
#include <vector>

#include "tests/report/run_support.h"

namespace report_test {

// Debian's chromium, or PREFLISTER_CHROMIUM; empty when there is none.
std::string chromium();

// The page at url (file:// and a fragment) after its script has run: the
// serialised document, and what the browser wrote on standard error, where
// an error the script did not catch shows as "Uncaught". Each run has a
// profile of its own in dir and a time limit; it loads nothing else.
Result dump_dom(const Scratch& dir, const std::string& url);
// A PNG of the page's first 1280 x 900 pixels, in dir.
Result screenshot(const Scratch& dir, const std::string& url, const std::string& png);

// Debian's firefox-esr, or PREFLISTER_FIREFOX; empty when there is none.
std::string firefox();
// Its screenshot of the page, 1280 pixels wide, in dir, with a profile of its own.
Result firefox_screenshot(const Scratch& dir, const std::string& url, const std::string& png);

// The values of one attribute in a document, in order: attribute("data-kind", dom).
std::vector<std::string> attribute(const std::string& name, const std::string& dom);
// How many times text occurs in s.
std::size_t count(const std::string& s, const std::string& text);

} // namespace report_test
