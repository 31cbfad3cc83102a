#pragma once

namespace viewer {

// Makes every grid a list to screen readers, each tile an item named by its
// photo's number and title. Called by each grid; installs once.
void InstallGridAccessibility();

}  // namespace viewer
