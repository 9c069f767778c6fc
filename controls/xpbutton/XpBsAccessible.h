#pragma once

// Makes every XpBs report itself to assistive technology as a push button
// named by its caption, whose press action clicks it.
void installXpBsAccessibility();
