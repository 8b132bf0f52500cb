#pragma once

class QApplication;

// The one application object of the GUI tests (offscreen), made on first use and kept
// until the process ends. Every test that needs Qt calls this rather than making its own.
QApplication& TestApp();
