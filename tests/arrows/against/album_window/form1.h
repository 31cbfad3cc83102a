#pragma once

// A window, as the control beside it wrongly includes it.
