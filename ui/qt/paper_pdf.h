// Generated papers as PDF: the output layer's typed document laid out with
// Qt's text engine and written through Qt's PDF writer, fonts embedded.
#pragma once

#include <memory>

#include "output/pdf_renderer.h"

namespace ui::qt {

// Works with or without a running Qt application: without one (the paper
// command) it starts an offscreen one of its own for its lifetime.
std::unique_ptr<output::PdfRenderer> MakePdfRenderer();

}  // namespace ui::qt
