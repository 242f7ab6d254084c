#include "tools/dls_set_fixture.h"

#include <vector>

#include "distributions/conti_globals.h"
#include "distributions/lamm_solution_store.h"
#include "numerics/nrutil.h"
#include "scandata/scan_data.h"
#include "scandata/scan_paths.h"
#include "scandata/scan_test_files.h"

void DlsSetTest::TearDown()
{
    freeLammSolutionStore(nLammSolutionStoreRows);
    DataMenuTest::TearDown();
}

std::string DlsSetTest::WriteDls(const std::string& folder, const std::string& name,
                                 const dlstest::DlsRecipe& recipe)
{
    return dlstest::writeDls(folder + "/" + name, recipe);
}

void DlsSetTest::LoadFiles(const std::vector<std::string>& paths)
{
    std::vector<char> buf;
    if (paths.size() == 1) {
        buf.assign(paths[0].begin(), paths[0].end());
        buf.push_back('\0');
        buf.push_back('\0');
    } else {
        const ScanPathParts first = splitScanPath(paths[0]);
        std::vector<std::string> names;
        for (const std::string& p : paths) {
            const ScanPathParts parts = splitScanPath(p);
            names.push_back(parts.name + parts.ext);
        }
        buf = scantest::selection(withoutTrailingSeparator(first.drive + first.dir), names);
    }
    window->LoadDlsData(buf.data());
}

void DlsSetTest::AllocSolutionRow(int nPoints)
{
    ASSERT_TRUE(allocLammSolutionStore(1, nScans, nPoints > 0 ? nPoints : nNoiseGridPoints));
    nLammSolutionSet = 1;
}
