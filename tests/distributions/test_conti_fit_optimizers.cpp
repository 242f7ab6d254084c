// The annealing of a continuous distribution fit: which models save their
// progress beside the data while it runs.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "app/app_globals.h"
#include "fitting/conti_fit_fixture.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "platform/win.h"

namespace {

class ContiAnnealing : public ContiFitTest {
protected:
    // Annealing at one low temperature for two iterations, no polishing fit
    // after it; saving during the fit on, the diagnostics log recording
    // every save.
    void annealBriefly()
    {
        chooseShortAnnealing();
        bSaveBestParams = 1;
        bDiagnostics = 1;
        command(215);
    }
    // The saves the fit has logged.
    static int savesLogged()
    {
        std::FILE* f = win::fopenMapped("c:\\temp\\Morvexdebug_t0.txt", "r");
        if (!f) return -1;
        std::string text;
        char buf[4096];
        for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) text.append(buf, n);
        std::fclose(f);
        int nSaves = 0;
        for (size_t at = text.find("Enter TmpSaveBestParams"); at != std::string::npos;
             at = text.find("Enter TmpSaveBestParams", at + 1))
            nSaves++;
        return nSaves;
    }
};

}  // namespace

// The plain c(s) keeps its fit: the annealing saves each vertex it shows,
// besides the save at the end of the fit.
TEST_F(ContiAnnealing, PlainCsSavesItsProgress)
{
    exampleCS(true);
    ASSERT_TRUE(bModelCS && !bModelCSOneDiscreteM);
    annealBriefly();
    EXPECT_GE(savesLogged(), 2);
}
