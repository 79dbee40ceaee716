#pragma once

// Opening the scale's port before the update window runs. A port that cannot be opened is logged
// with the port's own text and left closed: the run then gets no answer from the scale and ends on
// the communication-error window, whose Retry comes back here.

namespace wizard {

// Opens frmDisplay's port unless it is open already (a pulled cable closes it).
void openScalePort();

} // namespace wizard
