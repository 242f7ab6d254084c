// The dialog templates: data for the window layer, which lays them out.
#include "resources/dialog_templates.h"

#include <map>
#include <set>
#include <string>
#include <tuple>

#include "platform/win.h"

using win::DlgItem;
using win::DlgKind;
using win::DlgTemplate;

namespace {

DlgItem control(DlgKind kind, int id, const std::string& text, const std::string& group)
{
    DlgItem it;
    it.kind = kind;
    it.id = id;
    it.text = text;
    it.group = group;
    return it;
}

DlgItem edit(int id, const std::string& label, const std::string& group = std::string(), int limit = 15)
{
    DlgItem it = control(DlgKind::Edit, id, label, group);
    it.textLimit = limit;
    return it;
}

DlgItem check(int id, const std::string& text, const std::string& group = std::string())
{
    return control(DlgKind::Check, id, text, group);
}

DlgItem radio(int id, const std::string& text, int radioGroup, const std::string& group = std::string())
{
    DlgItem it = control(DlgKind::Radio, id, text, group);
    it.radioGroup = radioGroup;
    return it;
}

DlgItem label(const std::string& text, const std::string& group = std::string())
{
    return control(DlgKind::Static, win::IDC_STATIC, text, group);
}

DlgItem cell(DlgItem it, int row, int column, int span = 1)
{
    it.row = row;
    it.column = column;
    it.columnSpan = span;
    return it;
}

DlgItem hidden(DlgItem it)
{
    it.hidden = true;
    it.disabled = true;
    return it;
}

DlgItem disabled(DlgItem it)
{
    it.disabled = true;
    return it;
}

// ------------------------------------------------------------ model parameters

// One parameter dialog: the controls 401-455 with the labels of one model.
struct ParamsSpec {
    int id = 0;
    std::string caption;
    // Labels before each field (models whose rows are no species) instead of
    // column headers.
    bool perField = false;
    std::string headConc = "loading";
    std::string headMD = "D (1e-7 cm^2/s)";
    std::string headS = "s (S)";
    std::map<int, std::string> text;  // row names, field labels, check texts
    std::set<int> hide;
    std::map<int, int> radios;        // option checks that are radio buttons here: id -> group
};

const char* kSpecies = "Species";
const char* kOptions = "Options";
const char* kLamm = "Lamm Equation Solution";

DlgTemplate paramsBox(const ParamsSpec& p)
{
    DlgTemplate t;
    t.id = p.id;
    t.caption = p.caption;
    auto named = [&](int id, const std::string& fallback) {
        auto it = p.text.find(id);
        return it == p.text.end() ? fallback : it->second;
    };
    auto add = [&](DlgItem it) {
        if (p.radios.count(it.id)) {
            it.kind = DlgKind::Radio;
            it.radioGroup = p.radios.at(it.id);
        }
        if (p.hide.count(it.id)) it = hidden(it);
        t.items.push_back(it);
    };
    std::string group = p.perField ? "Parameters" : kSpecies;
    if (!p.perField) {
        t.items.push_back(cell(label(p.headConc, group), 0, 1));
        t.items.push_back(cell(label("fit", group), 0, 2));
        t.items.push_back(cell(label(p.headMD, group), 0, 3));
        t.items.push_back(cell(label("fit", group), 0, 4));
        t.items.push_back(cell(label(p.headS, group), 0, 5));
        t.items.push_back(cell(label("fit", group), 0, 6));
    }
    for (int k = 1; k <= 4; k++) {
        int o = 7 * (k - 1);
        std::string row = k == 4 && p.id == 400 ? "Comp.4/Buffer" : "Component " + std::to_string(k);
        add(cell(check(401 + o, named(401 + o, row), group), k, 0));
        if (!p.perField) {
            std::string conc = k == 1 ? "c tot" : p.headConc;
            add(cell(edit(405 + o, named(405 + o, conc), group), k, 1));
            add(cell(check(402 + o, named(402 + o, ""), group), k, 2));
            add(cell(edit(406 + o, named(406 + o, p.headMD), group), k, 3));
            add(cell(check(403 + o, named(403 + o, ""), group), k, 4));
            add(cell(edit(407 + o, named(407 + o, p.headS), group), k, 5));
            add(cell(check(404 + o, named(404 + o, ""), group), k, 6));
        } else {
            // field f of the row: its label, its edit, its fit check
            const int edits[3] = {405 + o, 406 + o, 407 + o};
            const int fits[3] = {402 + o, 403 + o, 404 + o};
            for (int f = 0; f < 3; f++) {
                std::string name = named(edits[f], "");
                bool used = !name.empty();
                DlgItem l = cell(label(name, group), k, 1 + 3 * f);
                if (!used) l.hidden = true;
                t.items.push_back(l);
                DlgItem e = cell(edit(edits[f], name, group), k, 2 + 3 * f);
                DlgItem c = cell(check(fits[f], named(fits[f], "fit"), group), k, 3 + 3 * f);
                if (!used) {
                    e = hidden(e);
                    if (!p.text.count(fits[f])) c = hidden(c);
                }
                add(e);
                add(c);
            }
        }
    }
    // The option block.
    add(cell(radio(429, named(429, "Experimental Initial Distribution"), 1, kOptions), 0, 0, 2));
    add(cell(radio(430, named(430, "Constant Initial Distribution"), 1, kOptions), 0, 2, 2));
    add(cell(check(431, named(431, "FIT TI Noise"), kOptions), 1, 0, 2));
    add(cell(check(455, named(455, "Fit RI Noise"), kOptions), 1, 2, 2));
    add(cell(check(432, named(432, "Baseline"), kOptions), 2, 0));
    add(cell(edit(433, named(433, "baseline"), kOptions), 2, 1));
    add(cell(check(447, named(447, "local"), kOptions), 2, 2));
    add(cell(check(448, named(448, "global"), kOptions), 2, 3));
    add(cell(check(434, named(434, "Meniscus"), kOptions), 3, 0));
    add(cell(edit(435, named(435, "meniscus (cm)"), kOptions), 3, 1));
    add(cell(check(451, named(451, "local"), kOptions), 3, 2));
    add(cell(check(452, named(452, "global"), kOptions), 3, 3));
    add(cell(check(436, named(436, "Bottom"), kOptions), 4, 0));
    add(cell(edit(437, named(437, "bottom (cm)"), kOptions), 4, 1));
    add(cell(check(449, named(449, "local"), kOptions), 4, 2));
    add(cell(check(450, named(450, "global"), kOptions), 4, 3));
    t.items.push_back(cell(label("concentration", kOptions), 5, 0));
    add(cell(check(453, named(453, "local"), kOptions), 5, 2));
    add(cell(check(454, named(454, "global"), kOptions), 5, 3));
    // The numerical settings (shown; the Lamm settings dialog owns them).
    add(edit(438, named(438, "Tolerance"), kLamm));
    add(edit(439, named(439, "Grid Size"), kLamm));
    add(edit(440, named(440, "max dc/c (or dt)"), kLamm));
    add(check(441, named(441, "Claverie Simulations"), kLamm));
    add(check(442, named(442, "auto method"), kLamm));
    add(edit(443, named(443, "s-grid (moving hat)"), kLamm));
    add(check(444, named(444, "move hat"), kLamm));
    add(check(445, named(445, "auto s hat"), kLamm));
    add(check(446, named(446, "fixed dt"), kLamm));
    return t;
}

// The included-checks of rows whose fields are no species are of no use.
const std::set<int> kNoSpeciesRows = {401, 408, 415, 422};

ParamsSpec discrete(int id, const std::string& caption, bool molarMass)
{
    ParamsSpec p;
    p.id = id;
    p.caption = caption;
    if (molarMass) p.headMD = "M (Da)";
    return p;
}

// The continuous distributions: grid, regularization and solvent in the rows.
ParamsSpec continuous(int id, const std::string& caption, const std::string& quantity = "s")
{
    ParamsSpec p;
    p.id = id;
    p.caption = caption;
    p.perField = true;
    p.hide = kNoSpeciesRows;
    p.text = {{405, "resolution"},
              {406, quantity + " min"},
              {407, quantity + " max"},
              {413, "confidence level (F-ratio)"},
              {419, "frictional ratio f/f0"},
              {416, "fit f/f0"},
              {420, "vbar (ml/g)"},
              {417, "grid from file"},
              {421, "density (g/ml)"},
              {426, "viscosity (poise)"},
              {427, "hydration (g/g)"},
              {424, "log spaced grid"}};
    // no fit flags for the grid, the confidence level and the solvent
    for (int id2 : {402, 403, 404, 410, 418, 423, 425}) p.hide.insert(id2);
    return p;
}

// A discrete component beside the distribution: its M (or D) and its s.
ParamsSpec withDiscrete(ParamsSpec p, const std::string& md)
{
    p.text[412] = md + " (discrete)";
    p.text[409] = "fit";
    p.text[414] = "s (discrete)";
    p.text[411] = "fit";
    return p;
}

ParamsSpec association(int id, const std::string& caption, bool molarMass)
{
    std::string md = molarMass ? "M (Da)" : "D (1e-7 cm^2/s)";
    ParamsSpec p;
    p.id = id;
    p.caption = caption;
    p.perField = true;
    p.hide = kNoSpeciesRows;
    p.text = {{406, "monomer " + md},    {403, "fit"},
              {413, "oligomer " + md + " (derived)"},
              {420, "log10(Ka)"},         {417, "fit"},
              {407, "monomer s (S)"},     {404, "fit"},
              {414, "oligomer s (S)"},    {411, "fit"},
              {419, "total loading"},     {416, "fit"}};
    p.hide.insert(410);  // the derived oligomer is never floated
    return p;
}

ParamsSpec higherAssociation(int id, const std::string& caption, const std::string& first, const std::string& second)
{
    ParamsSpec p;
    p.id = id;
    p.caption = caption;
    p.perField = true;
    p.hide = kNoSpeciesRows;
    p.text = {{406, "monomer M (Da)"},
              {403, "fit"},
              {413, first + " M (derived)"},
              {426, second + " M (derived)"},
              {420, "log10(K " + first + ")"},
              {417, "fit"},
              {421, "log10(K " + second + ")"},
              {418, "fit"},
              {407, "monomer s (S)"},
              {404, "fit"},
              {414, first + " s (S)"},
              {411, "fit"},
              {428, second + " s (S)"},
              {425, "fit"},
              {419, "total loading"},
              {416, "fit"}};
    p.hide.insert(410);
    p.hide.insert(423);
    return p;
}

ParamsSpec nonIdeal(int id, const std::string& caption)
{
    ParamsSpec p;
    p.id = id;
    p.caption = caption;
    p.perField = true;
    p.hide = kNoSpeciesRows;
    p.text = {{405, "total loading"}, {402, "fit"}, {406, "M or D"}, {403, "fit"}, {407, "s0 (S)"},
              {404, "fit"},           {412, "ks"},  {409, "fit"},    {419, "kd"},  {416, "fit"},
              {440, "signal per mg/ml"}};
    return p;
}

std::vector<ParamsSpec> paramsSpecs()
{
    std::vector<ParamsSpec> v;
    // discrete species
    {
        ParamsSpec p = discrete(400, "noninteracting species model", false);
        p.text[450] = "c1 nonideal";
        v.push_back(p);
    }
    v.push_back(discrete(306, "noninteracting species model", true));
    {
        ParamsSpec p = discrete(322, "constant force in linear geometry (electrophoresis model) with v (um/sec)", false);
        p.headS = "v (um/sec)";
        p.text[436] = "Length";
        p.text[437] = "length (cm)";
        v.push_back(p);
    }
    for (auto [id, mm] : {std::pair{317, false}, std::pair{316, true}}) {
        ParamsSpec p = discrete(id, "analytical zone centrifugation for non-interacting species", mm);
        p.text[422] = "Comp.4 (s: lamella)";
        p.text[428] = "lamella width (cm)";
        if (id == 316) p.text[446] = "invert band (buffer lamella over sample)";
        v.push_back(p);
    }
    {
        ParamsSpec p = discrete(339, "Discrete Stokes Radii", false);
        v.push_back(p);
    }
    v.push_back(discrete(891, "Cumulant Analysis", false));
    for (auto [id, mm] : {std::pair{573, false}, std::pair{574, true}}) {
        ParamsSpec p = discrete(id, "noninteracting species model", mm);
        p.text[422] = "Buffer";
        if (id == 573) p.text[450] = "c1 nonideal";
        v.push_back(p);
    }
    // self-association
    v.push_back(association(307, "rapid monomer-dimer self-association", false));
    v.push_back(association(308, "rapid monomer-dimer self-association", true));
    v.push_back(association(309, "rapid monomer-trimer self-association", false));
    v.push_back(association(310, "rapid monomer-trimer self-association", true));
    v.push_back(higherAssociation(330, "Fit and Simulation Parameters for 1-4-8 rapid self-association", "tetramer",
                                  "octamer"));
    v.push_back(higherAssociation(331, "Fit and Simulation Parameters for 1-2-4 rapid self-association", "dimer",
                                  "tetramer"));
    // non-ideal sedimentation
    v.push_back(nonIdeal(1101, "Hindered Sedimentation"));
    v.push_back(nonIdeal(325, "Non-Ideal Sedimentation"));
    {
        ParamsSpec p = nonIdeal(892,
                                "Non-Ideal Sedimentation of Mulitple Species s=s0(1-ks*c), D0=D(1+kd*c) [no backdiffusion]");
        p.text[441] = "Wiener skewing";
        v.push_back(p);
    }
    // hetero-association
    {
        ParamsSpec p;
        p.id = 318;
        p.caption = "A + B <--> AB";
        p.perField = true;
        p.hide = kNoSpeciesRows;
        p.text = {{405, "loading A"},       {402, "fit"}, {406, "M (A)"},          {403, "fit"},
                  {407, "s (A)"},           {404, "fit"}, {412, "loading B"},      {409, "fit"},
                  {413, "M (B)"},           {410, "fit"}, {414, "s (B)"},          {411, "fit"},
                  {421, "s (AB)"},          {418, "fit"}, {426, "signal coeff. B"}, {427, "signal coeff. A"},
                  {428, "log10(K)"},        {425, "fit"}};
        v.push_back(p);
    }
    // continuous distributions
    v.push_back(continuous(311, "Continuous c(M) Distribution", "M"));
    v.push_back(continuous(320, "Continuous c(s) Distribution"));
    {
        ParamsSpec p = continuous(326, "Analytical Zone Centrifugation c(s)");
        p.text[428] = "lamella width (cm)";
        p.text[425] = "fit";
        p.hide.erase(425);
        v.push_back(p);
    }
    {
        ParamsSpec p = continuous(321, "c(M) With Invariant D", "Mb");
        p.text[419] = "D (prior, 1e-7 cm^2/s)";
        p.text[416] = "fit D";
        v.push_back(p);
    }
    {
        ParamsSpec p = continuous(336, "Continuous c(s) With Invariant D");
        p.text[419] = "D (prior, 1e-7 cm^2/s)";
        p.text[416] = "fit D";
        v.push_back(p);
    }
    {
        ParamsSpec p = continuous(332, "Continuous c(s) For Linear Rods");
        p.text[419] = "rod value";
        v.push_back(p);
    }
    {
        ParamsSpec p = continuous(329, "Continuous c(s) Conformational Change Model");
        p.text[412] = "conformation value 1";
        p.text[414] = "conformation value 2";
        p.text[428] = "conformation value 3";
        v.push_back(p);
    }
    {
        ParamsSpec p = continuous(605, "Continuous c(s) For Wormlike Chain");
        p.text[419] = "persistence length";
        p.text[416] = "fit";
        p.text[412] = "cross section";
        p.text[414] = "monomer M (Da)";
        p.text[428] = "hydration of the chain";
        v.push_back(p);
    }
    for (auto [id, caption, q] : {std::tuple{873, "Continuous c(s) With General Scaling Law", "s"},
                                  std::tuple{888, "f(M) vs M With Scaling Law", "M"}}) {
        ParamsSpec p = continuous(id, caption, q);
        p.text[419] = "ks (scaling prefactor)";
        p.text[416] = "fit ks";
        p.text[428] = "kb (scaling exponent)";
        v.push_back(p);
    }
    {
        ParamsSpec p = continuous(604, "Continuous c(s) With fix f/f0 And Floating vbar");
        p.text[419] = "vbar (ml/g)";
        p.text[416] = "fit vbar";
        p.text[420] = "frictional ratio f/f0";
        v.push_back(p);
    }
    v.push_back(withDiscrete(continuous(951, "Hybrid c(s)/ls-g*(s)"), "M"));
    for (auto [id, caption] : {std::pair{340, "Continuous c(s) With Bimodal f/f0"},
                               std::pair{871, "Continuous c(s) With Bimodal f/f0 And 1 Discrete Component"}}) {
        ParamsSpec p = continuous(id, caption);
        p.text[412] = "second f/f0";
        p.text[414] = "s min (second f/f0)";
        p.text[411] = "fit";
        p.text[428] = "s max (second f/f0)";
        v.push_back(p);
    }
    {
        ParamsSpec p = continuous(1116, "Continuous c(s) with Flotation");
        p.text[412] = "flotation value";
        p.text[414] = "s min (flotation)";
        p.text[428] = "s max (flotation)";
        v.push_back(p);
    }
    for (auto [id, caption] : {std::pair{596, "Continuous c(s,ff0)"},
                               std::pair{599, "Continuous c(s,ff0) With 1 Discrete Component"}}) {
        ParamsSpec p = continuous(id, caption);
        p.text[412] = "f/f0 min";
        p.text[414] = "f/f0 max";
        p.text[428] = "f/f0 resolution";
        p.hide.insert(419);
        p.hide.insert(416);
        if (id == 599) {
            p.text[427] = "s (discrete)";
            p.text[443] = "M (discrete)";
        }
        v.push_back(p);
    }
    v.push_back(withDiscrete(continuous(337, "Continuous c(s) With 1 Discrete Component"), "D"));
    v.push_back(withDiscrete(continuous(338, "Continuous c(s) With 1 Discrete Component"), "M"));
    v.push_back(withDiscrete(continuous(588, "Continuous c(s) With M(s) Table"), "M"));
    for (int id : {586, 1102}) {
        ParamsSpec p = withDiscrete(continuous(id, id == 586 ? "Nonideal c(s)" : "Hindered Sedimentation c(s)"), "M");
        p.text[427] = "kd";
        p.text[443] = "ks";
        if (id == 586) {
            p.radios = {{449, 2}, {448, 2}, {451, 2}};
            p.text[449] = "interpol. data";
            p.text[448] = "best fit";
            p.text[451] = "load external";
            p.text[452] = "freeze";
            p.text[438] = "resolution for sedimentation";
            p.text[439] = "for mean field";
            p.text[446] = "extra disc. species (excluded from ctot)";
            p.text[425] = "create debug files";
            p.hide.erase(425);
            p.text[440] = "signal/(mg/ml)";
        }
        v.push_back(p);
    }
    {
        ParamsSpec p = continuous(328, "Electrophoresis: c(v) Distribution With Constant D", "v");
        p.text[420] = "D (constant, 1e-7 cm^2/s)";
        p.text[417] = "fit D";
        v.push_back(p);
    }
    v.push_back(continuous(319, "ls-g*(s)"));
    v.push_back(withDiscrete(continuous(538, "ls-g*(s) With 1 Discrete Lamm Eq. Component"), "M"));
    v.push_back(continuous(327, "Analytical Zone Centrifugation ls-g*(s)"));
    v.push_back(continuous(323, "ls-g*(s) in Linear Geometry With Constant Force"));
    {
        ParamsSpec p = continuous(324, "van Holde - Weischet and Extrapolation of Area Fractions");
        p.text[419] = "number of boundary fractions";
        p.text[420] = "extrapolation parameter";
        v.push_back(p);
    }
    v.push_back(continuous(333, "DLS: Continuous I(Rh)-Distribution", "Rh"));
    v.push_back(continuous(334, "DLS: Continuous I(D)-Distribution", "D"));
    {
        ParamsSpec p = continuous(335, "Continuous I(Rh,t)-Time-Course", "Rh");
        p.text[419] = "time-course value";
        v.push_back(p);
    }
    return v;
}

// ------------------------------------------------------------ 631: Lamm equation settings

DlgTemplate lammParams()
{
    DlgTemplate t;
    t.id = 631;
    t.caption = "Numerical Control of Lamm Equation Solution";
    const char* space = "Finite Element Spatial Discretization";
    const char* time = "Temporal Discretization";
    const char* algo = "Finite Element Algorithm";
    const char* shut = "Shut Off Diffusion";
    const char* abs = "Account for Finite Resolution in ABS";
    t.items = {
        check(615, "automatic dynamic grid size", space),
        edit(616, "default FE grid size", space),
        edit(617, "points per sigma", space),
        edit(619, "upper limit ", space),
        edit(618, "lower limit", space),
        check(640, "optimize time-invariant grid spacing", space),
        check(641, "dynamically truncate grid", space),
        edit(643, "log10 of the truncation level", space),
        check(620, "times from wwt", time),
        check(621, "ramp rotor speed", time),
        check(944, "using speedsteps", time),
        check(924, "check rotor acceleration", time),
        check(623, "fix Lamm Eq. simulation timestep", time),
        edit(629, "max dc/c", time),
        edit(628, "Tolerance", time),
        check(630, "Experimental Initial Distribution", time),
        check(622, "automatic finite element algorithm", algo),
        edit(612, "normalized s for automatic change", algo),
        edit(639, "when optimized", algo),
        check(624, "Claverie algorithm", algo),
        check(625, "moving hat algorithm", algo),
        check(626, "automatic s_grid", algo),
        edit(627, "s_grid", algo),
        check(613, "shut off back-diffusion", shut),
        edit(614, "level", shut),
        edit(948, "Variable Speed D shut off at x-fold grid dist", shut),
        check(832, "simulate time resolution", abs),
        edit(835, "scan velocity (cm/min)", abs),
        check(833, "simulate radial resolution", abs),
        edit(834, "radial range of convolution (cm)", abs),
    };
    return t;
}

// ------------------------------------------------------------ 572 / 575: buffer mismatch

DlgTemplate bufferSed(int id, bool molarMass)
{
    DlgTemplate t;
    t.id = id;
    t.caption = "Buffer Mismatch";
    const char* g = "Buffer Component";
    const char* r = "Reference";
    std::string q = molarMass ? "Mb" : "D";
    t.items = {
        check(553, "turn on buffer mismatch model"),
        check(554, "excess signal in sample side"),
        check(555, "excess signal in reference side"),
        cell(label("value", g), 0, 0),
        cell(label("fit", g), 0, 1),
        cell(edit(556, q, g), 1, 0),
        cell(check(557, "buffer " + q + " (sample side)", g), 1, 1),
        cell(edit(558, "s", g), 2, 0),
        cell(check(559, "buffer s (sample side)", g), 2, 1),
        cell(edit(560, "signal", g), 3, 0),
        cell(check(561, "buffer signal", g), 3, 1),
        cell(check(562, "with meniscus mismatch", r), 0, 0, 2),
        cell(edit(563, "meniscus difference", r), 1, 0),
        cell(check(564, molarMass ? "meniscus difference (s-r)" : "float meniscus difference (s-r)", r), 1, 1),
        cell(edit(565, "relative concentration", r), 2, 0),
        cell(check(566, "relative concentration s/r", r), 2, 1),
        cell(check(567, "different buffer in reference", r), 3, 0, 2),
        cell(edit(568, "reference " + q, r), 4, 0),
        cell(check(569, "reference " + q, r), 4, 1),
        cell(edit(570, "reference s", r), 5, 0),
        cell(check(571, "reference s", r), 5, 1),
    };
    return t;
}

// ------------------------------------------------------------ 866: inhomogeneous solvent

DlgTemplate densgrad()
{
    DlgTemplate t;
    t.id = 866;
    t.caption = "Inhomogeneous Solvent Parameters";
    const char* m = "Macromolecule";
    const char* c = "Compressible Solvent";
    const char* s = "Sedimenting Cosolute";
    const char* f = "Cosolute Data";
    t.items = {
        check(857, "Use Inhomogeneous Solvent Model"),
        edit(838, "vbar (macromolecule)", m),
        check(839, "fit vbar (requires strong density gradients)", m),
        edit(845, "vbar (macromolecule including solvation)", m),
        check(840, "compressible solvent (static gradient)", c),
        edit(841, "compressibility [1e-4/MPa]", c),
        edit(842, "buffer density at 1 atm [g/ml]", c),
        edit(843, "buffer viscosity at 1 atm [Poise]", c),
        check(844, "sedimenting cosolute (dynamic gradient)", s),
        edit(846, "cosolute loading concentration [M]", s),
        check(863, "ideally sedimenting cosolute", s),
        edit(864, "apparent s [S]", s),
        edit(865, "apparent D [1e-7 cm^2/sec]", s),
        check(847, "nonideal cosolute", s),
        edit(851, "radial grid size", s),
        check(856, "add H2O compressibility", s),
        check(852, "plot cosolute data", s),
        check(853, "save cosolute data in ", s),
        edit(862, "", s, 1000),
        check(850, "CsCl at 25 C (published s(c) and D(c) data)", f),
        edit(848, "D(c) file", f, 1000),
        check(858, "Load New Nonideal D(c) File", f),
        edit(849, "s(c) file", f, 1000),
        check(859, "Load New Nonideal s(c) File", f),
        label("density(c) coefficients [g/ml], (c in [M])", f),
        edit(854, "density(c) file", f, 1000),
        check(860, "Load New DENSITY(c) File", f),
        label("viscosity(c) coefficients [Poise], (c in [M])", f),
        edit(855, "viscosity(c) file", f, 1000),
        check(861, "Load New VISCOSITY(c) File", f),
    };
    return t;
}

// ------------------------------------------------------------ 776: prior probability

DlgTemplate priorParams()
{
    DlgTemplate t;
    t.id = 776;
    t.caption = "Generate Prior Probability From Peaks";
    const char* src = "Prior";
    const char* pk = "Peaks";
    t.items = {
        check(818, "Use Prior", src),
        radio(819, "From File", 1, src),
        edit(777, "prior file", src, 1000),
        check(821, "Load New Prior File", src),
        check(822, "GJT file", src),
        radio(820, "From Gauss/Delta-Peaks", 1, src),
        radio(823,
              "Select Peaks From Current Distribution (assuming pure species)\n(control-X, same as separate menu "
              "function)",
              1, src),
        cell(label("Location (S)", pk), 0, 1),
        cell(label("Width (S)\n(>= 0)", pk), 0, 2),
        cell(label("Amplitude \n(0.01 - 100)", pk), 0, 3),
    };
    for (int k = 1; k <= 10; k++) {
        t.items.push_back(cell(check(777 + k, "peak #" + std::to_string(k), pk), k, 0));
        t.items.push_back(cell(edit(787 + k, "Location (S)", pk), k, 1));
        t.items.push_back(cell(edit(797 + k, "Width (S)", pk), k, 2));
        t.items.push_back(cell(edit(807 + k, "Amplitude", pk), k, 3));
    }
    return t;
}

// ------------------------------------------------------------ 926: time to equilibrium

DlgTemplate timeToEq()
{
    DlgTemplate t;
    t.id = 926;
    t.caption = "Parameters For Optimizing Time To Equilibrium";
    const char* run = "Run Parameters";
    const char* col = "Solution Column";
    const char* eq = "EQ Criteria";
    const char* opt = "Optimization Parameters";
    const char* sed = "Sedimentation Parameters";
    const char* sol = "Solvent";
    t.items = {
        cell(check(832, "iniital EQ at (rpm)", run), 0, 0),
        cell(edit(612, "initial speed (rpm)", run), 0, 1),
        cell(label("final EQ (rpm)", run), 1, 0),
        cell(edit(639, "final EQ (rpm)", run), 1, 1),
        cell(check(924, "continue current rpm(t) history", run), 2, 0),
        cell(label("up to [sec]", run), 3, 0),
        cell(edit(421, "up to [sec]", run), 3, 1),
        edit(628, "bottom (cm)", col),
        edit(627, "meniscus (cm) or volume (ul) (12 mm CP)", col),
        edit(616, "consider up to right fitting limit at (cm)", col),
        edit(407, "initial step (cm) ", col),
        label("or 0 for uniform loading", col),
        cell(radio(621, "use s[20w] (S)", 1, sed), 0, 0),
        cell(edit(412, "s[20w] (S)", sed), 0, 1),
        cell(label("molar mass (Da)", sed), 1, 0),
        cell(edit(428, "molar mass (Da)", sed), 1, 1),
        cell(label("vbar (ml/g)", sed), 2, 0),
        cell(edit(426, "vbar (ml/g)", sed), 2, 1),
        cell(radio(620, "use ff0", 1, sed), 3, 0),
        cell(edit(413, "ff0", sed), 3, 1),
        cell(check(615, "with 2nd species, fraction", sed), 4, 0),
        cell(edit(406, "fraction", sed), 4, 1),
        cell(radio(624, "use s2[20w] (S)", 2, sed), 5, 0),
        cell(edit(405, "s2[20w] (S)", sed), 5, 1),
        cell(label("molar mass (Da)", sed), 6, 0),
        cell(edit(414, "molar mass (Da)", sed), 6, 1),
        cell(label("vbar (ml/g)", sed), 7, 0),
        cell(disabled(edit(420, "vbar (ml/g)", sed)), 7, 1),
        cell(radio(625, "use ff02", 2, sed), 8, 0),
        cell(edit(427, "ff02", sed), 8, 1),
        edit(629, "temperature (C)", sol),
        edit(834, "density (g/ml)", sol),
        edit(835, "viscosity (cP)", sol),
        edit(614, "max overconc at bottom", eq),
        edit(617, "target rmsd/loading signal", eq),
        edit(643, "overspeed time (h)", opt),
        edit(619, "# of parameters", opt),
        check(626, "exponential parameterization", opt),
        edit(618, "# of repeats", opt),
        check(623, "save scan files for best prediction", opt),
        check(833, "save in XLA EQ Methods format", opt),
        check(640, "just run a rotor speed params file", opt),
        // left over from another dialog: never shown, never transferred
        hidden(check(win::IDC_STATIC, "dynamically truncate grid")),
        hidden(check(win::IDC_STATIC, "automatic finite element algorithm")),
        hidden(check(win::IDC_STATIC, "shut off back-diffusion")),
        hidden(check(win::IDC_STATIC, "Experimental Initial Distribution")),
        hidden(edit(win::IDC_STATIC, "")),
    };
    return t;
}

// ------------------------------------------------------------ 916: fluorescence tools

DlgTemplate floTools()
{
    DlgTemplate t;
    t.id = 916;
    t.caption = "Tools For Fitting Fluorescence AUC data";
    const char* mag = "Radial Magnification";
    const char* drift = "Intensity Change With Time";
    const char* cone = "Excitation Shadow";
    const char* conv = "Radial Convolution";
    const char* nonlin = "Nonlinear Detection";
    const char* jo = "Johnston-Ogston Depletion";
    t.items = {
        cell(check(615, "with radial magnification gradient", mag), 0, 0, 3),
        cell(label("1+da/dr", mag), 1, 0),
        cell(edit(612, "1+da/dr", mag), 1, 1),
        cell(check(613, "fit", mag), 1, 2),

        cell(check(621, "with temporal linear magnification drift", drift), 0, 0, 3),
        cell(label("% per h", drift), 1, 0),
        cell(edit(614, "% per h", drift), 1, 1),
        cell(check(620, "fit", drift), 1, 2),
        cell(check(835, "exponential photophysical intensity change", drift), 2, 0, 3),
        cell(label("rate (per h)", drift), 3, 0),
        cell(edit(834, "rate (per h)", drift), 3, 1),
        cell(check(832, "fit", drift), 3, 2),
        cell(label("limiting level %", drift), 4, 0),
        cell(edit(450, "limiting level %", drift), 4, 1),
        cell(check(449, "fit", drift), 4, 2),

        cell(check(623, "with excitation shadow", cone), 0, 0, 3),
        cell(label("cm", cone), 1, 0),
        cell(edit(616, "cm", cone), 1, 1),
        cell(check(622, "fit", cone), 1, 2),

        cell(check(625, "with radial convolution from detection cone", conv), 0, 0, 3),
        cell(label("cm", conv), 1, 0),
        cell(edit(617, "cm", conv), 1, 1),
        cell(check(624, "fit", conv), 1, 2),
        cell(label("calculate Gaussian within # std", conv), 2, 0),
        cell(edit(619, "calculate Gaussian within # std", conv), 2, 1),

        cell(check(626, "with nonlinear detection", nonlin), 0, 0, 3),
        cell(label("power coefficient d(log(a))/dc", nonlin), 1, 0),
        cell(edit(618, "power coefficient d(log(a))/dc", nonlin), 1, 1),
        cell(check(630, "fit", nonlin), 1, 2),
        cell(label("baseline for tranform", nonlin), 2, 0),
        cell(edit(627, "baseline for tranform", nonlin), 2, 1),
        cell(check(640, "show transformed", nonlin), 3, 0, 3),

        cell(check(401, "with JO depletion", jo), 0, 0, 3),
        cell(check(404, "JO s (S)", jo), 1, 0),
        cell(edit(414, "JO s (S)", jo), 1, 1),
        cell(check(403, "JO D", jo), 2, 0),
        cell(edit(413, "JO D", jo), 2, 1),
        cell(check(402, "JO amp", jo), 3, 0),
        cell(edit(405, "JO amp", jo), 3, 1),
        cell(check(409, "JO ks", jo), 4, 0),
        cell(edit(412, "JO ks", jo), 4, 1),
    };
    return t;
}

// ------------------------------------------------------------ 1086, 1097, 1096: built at run time

DlgTemplate runtime(int id, int width, int height, int buttonX, int okY, int cancelY)
{
    DlgTemplate t;
    t.id = id;
    t.caption = "Testing Dialog Boxes";
    t.layout = win::DlgLayout::Pixels;
    t.width = width;
    t.height = height;
    DlgItem ok = control(DlgKind::Button, win::IDOK, "OK", std::string());
    ok.rect = win::RECT{buttonX, okY, buttonX + 50, okY + 14};
    DlgItem cancel = control(DlgKind::Button, win::IDCANCEL, "Cancel", std::string());
    cancel.rect = win::RECT{buttonX, cancelY, buttonX + 50, cancelY + 14};
    t.items = {ok, cancel};
    return t;
}

}  // namespace

const std::vector<int>& paramsBoxTemplateIds()
{
    static const std::vector<int> ids = [] {
        std::vector<int> v;
        for (const ParamsSpec& p : paramsSpecs()) v.push_back(p.id);
        return v;
    }();
    return ids;
}

void installDialogTemplates()
{
    for (const ParamsSpec& p : paramsSpecs()) win::registerDialogTemplate(paramsBox(p));
    win::registerDialogTemplate(lammParams());
    win::registerDialogTemplate(bufferSed(572, false));
    win::registerDialogTemplate(bufferSed(575, true));
    win::registerDialogTemplate(densgrad());
    win::registerDialogTemplate(priorParams());
    win::registerDialogTemplate(timeToEq());
    win::registerDialogTemplate(floTools());
    win::registerDialogTemplate(runtime(1086, 299, 63, 240, 44, 28));
    win::registerDialogTemplate(runtime(1097, 347, 103, 288, 84, 68));
    win::registerDialogTemplate(runtime(1096, 333, 143, 276, 124, 108));
}
