// The main window's handlers, private to it, as the suites, the benchmarks
// and the screenshot tool press them directly: a click without the mouse.
#ifndef QV7310TESTSEAM_H
#define QV7310TESTSEAM_H

#include "QV7310.h"

class QV7310TestSeam {
public:
    static void txtInput_KeyPress(QV7310& w, int Index, int KeyAscii) {
        w.txtInput_KeyPress(Index, KeyAscii);
    }
    static void txtInput_LostFocus(QV7310& w, int Index) { w.txtInput_LostFocus(Index); }
    static void cmdWrite_Click(QV7310& w, int Index) { w.cmdWrite_Click(Index); }
    static void cmdCLR_Click(QV7310& w, int Index) { w.cmdCLR_Click(Index); }
    static void cmdLDAC_Click(QV7310& w, int Index) { w.cmdLDAC_Click(Index); }
    static void optRANGE_Click(QV7310& w, int Index) { w.optRANGE_Click(Index); }
    static void optPD1_Click(QV7310& w, int Index) { w.optPD1_Click(Index); }
    static void mnuReload_Click(QV7310& w) { w.mnuReload_Click(); }
    static void mnuDontRESET_Click(QV7310& w) { w.mnuDontRESET_Click(); }
    static void Picture2_Click(QV7310& w) { w.Picture2_Click(); }
    static void Picture3_Click(QV7310& w) { w.Picture3_Click(); }
    static void Picture4_Click(QV7310& w) { w.Picture4_Click(); }
    static std::int16_t creditsStep(const QV7310& w) { return w.creditsStep; }
};

#endif
