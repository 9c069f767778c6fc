#pragma once

// Makes every Xp_ProgressBar report itself to assistive technology as a
// progress bar with its minimum, maximum and current value.
void installXpProgressBarAccessibility();
