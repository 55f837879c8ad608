#pragma once

class AppDelegate;
class AppSettings;

// Lines on standard error for the tests and benchmarks that drive the real program from
// outside, each asked for by an environment variable: TALLOWQUILL_REPORT_STARTUP (when the
// shortcut is registered), TALLOWQUILL_REPORT_HISTORY (whether the guide is due, when it shows,
// every entry recorded, and the popup's rows as it shows them). Nothing without them.
void reportToDrivers(AppDelegate &delegate, const AppSettings &settings);
