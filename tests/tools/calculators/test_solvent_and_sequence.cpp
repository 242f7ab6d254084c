// The buffer density and viscosity calculator and the protein sequence
// calculator, run as commands with their answers scripted.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "scandata/scan_data.h"
#include "tools/calculators/calculator_fixture.h"

using namespace win;

namespace {

constexpr const char* kSolvent = "CALCULATE TEMPERATURE AND HEAVY WATER DEPENDENCE OF BUFFER DENSITY AND VISCOSITY";
constexpr const char* kSequence = "CALCULATE VBAR, EXT280 AND DNDC FROM SEQUENCE";

class SolventCalculatorTest : public CalculatorTest {
protected:
    struct Result {
        double dDensity = NAN, dViscosity = NAN;  // g/ml, cP
        std::string szText;
    };
    // Buffer values of water at 20 C carried to T, with heavy water of the
    // kind (0: none) at the percentage.
    Result Solvent(const char* szT, const char* szKind = nullptr, const char* szPercent = "100",
                   const char* szDensity = "0.99823", const char* szViscosity = "1.002")
    {
        headless::Script script;
        script.expectMessageBox("Given density and viscosity", IDOK)
            .expectInput("buffer density in H2O", szDensity)
            .expectInput("buffer viscosity in H2O", szViscosity)
            .expectInput("enter temperature", szT)
            .expectMessageBox("with any heavy water?", szKind ? IDYES : IDNO);
        if (szKind) {
            script.expectInput("enter 1 for D2O", szKind);
            const int n = static_cast<int>(std::atof(szKind));
            if (n >= 2) script.expectMessageBox("viscosity data for H2-180", IDOK);
            script.expectInput("volume % of heavy water", szPercent);
        }
        script.expectMessageBox("given buffer density", IDOK);
        Run(script, 1119);
        EXPECT_EQ(script.pending(), 0u);
        Result r;
        r.szText = boxText(script, kSolvent);
        r.dDensity = numberAfter(r.szText, "density = ");
        r.dViscosity = numberAfter(r.szText, "viscosity = ");
        for (const std::string& line : script.lines())
            if (line.find("viscosity data for H2-180") != std::string::npos) r.szText = line + "\n" + r.szText;
        return r;
    }
};

TEST_F(SolventCalculatorTest, WaterAndHeavyWaterAtTemperature)
{
    Result r = Solvent("20");
    EXPECT_NE(r.szText.find("density = 0.998235 g/ml"), std::string::npos) << r.szText;
    EXPECT_NEAR(r.dViscosity, 1.002, 1e-6);
    // a buffer's own increments are kept; the box repeats the entries, the
    // viscosity in cP as it was typed
    r = Solvent("20", nullptr, "", "1.0100", "1.2");
    EXPECT_NEAR(numberAfter(r.szText, "given buffer density in water at 20C of "), 1.01, 1e-6) << r.szText;
    EXPECT_NEAR(numberAfter(r.szText, "g/ml and viscosity of "), 1.2, 1e-6) << r.szText;
    EXPECT_NEAR(r.dDensity, 1.01 + (0.998235 - 0.99823), 1e-6);
    EXPECT_NEAR(r.dViscosity, 1.2, 1e-6);

    r = Solvent("25");
    EXPECT_NEAR(r.dDensity, 0.997076, 1.5e-6);
    EXPECT_NEAR(r.dViscosity, 0.8902, 5e-5);
    r = Solvent("4");
    EXPECT_NEAR(r.dDensity, 1.000000, 1.5e-6);  // the density maximum
    EXPECT_NEAR(r.dViscosity, 1.5683, 5e-5);
    EXPECT_NEAR(Solvent("0").dViscosity, 1.79150, 5e-5);  // the fit's value at the freezing point

    r = Solvent("25", "1");
    EXPECT_NE(r.szText.find("with 100.000% D2O"), std::string::npos) << r.szText;
    EXPECT_NEAR(r.dDensity, 1.10447, 1.5e-5);
    EXPECT_NEAR(r.dViscosity, 1.0965, 5e-5);
    EXPECT_NEAR(Solvent("20", "1").dViscosity, 1.2495, 5e-5);
    // half the heavy water: the increments halfway
    Result half = Solvent("25", "1", "50");
    EXPECT_NEAR(half.dDensity, (1.10447 + 0.997076) / 2, 2e-5);
    EXPECT_NEAR(half.dViscosity, (1.0965 + 0.8902) / 2, 1e-4);
    // 0 % of any heavy water is water
    Result none = Solvent("25", "3", "0");
    EXPECT_DOUBLE_EQ(none.dDensity, Solvent("25").dDensity);
    EXPECT_DOUBLE_EQ(none.dViscosity, Solvent("25").dViscosity);
}

TEST_F(SolventCalculatorTest, HeavyOxygenWatersFromTheTableAndEstimates)
{
    Result r = Solvent("15", "2");
    EXPECT_NE(r.szText.find("are interpolated from ("), std::string::npos) << r.szText;
    EXPECT_NEAR(r.dViscosity, 1.2008, 1e-5);
    // just below the table: the estimate from heavy water, 1.0544 x water at
    // 14.9 - 6.498 C, x 0.8547
    r = Solvent("14.9", "2");
    EXPECT_NE(r.szText.find("at 15 are rough estimates (see book)"), std::string::npos) << r.szText;
    EXPECT_NEAR(r.dViscosity, 1.23412, 5e-5);
    // the table's last node, with the rough-estimate note
    r = Solvent("35", "2");
    EXPECT_NE(r.szText.find("at 35 are rough estimates"), std::string::npos);
    EXPECT_NEAR(r.dViscosity, 0.7568, 1e-5);
    EXPECT_NEAR(Solvent("27.5", "3").dViscosity, (1.1441 + 1.014) / 2, 1e-5);
    // below the table D2-18O is 1.255 x water, and more viscous than at 15 C
    r = Solvent("10", "3");
    EXPECT_NE(r.szText.find("at 10 are rough estimates"), std::string::npos) << r.szText;
    EXPECT_NEAR(r.dViscosity, 1.255 * Solvent("10").dViscosity, 1e-4);
    EXPECT_GT(r.dViscosity, 1.5057);
    // The isotope effect on the viscosity changes slowly with temperature:
    // over the table's nodes the heavy-oxygen waters stay 5.2 to 5.6 % (H2-18O)
    // and 26 to 33 % (D2-18O) more viscous than water at the same temperature,
    // and each inner node's ratio lies within 1 % of the mean of its
    // neighbours' (a node mistyped by a tenth breaks it).
    for (const char* szKind : {"2", "3"}) {
        std::vector<double> ratio;
        for (const char* szT : {"15", "20", "25", "30", "35"})
            ratio.push_back(Solvent(szT, szKind).dViscosity / Solvent(szT).dViscosity);
        for (double q : ratio) {
            EXPECT_GT(q, szKind[0] == '2' ? 1.05 : 1.25) << szKind;
            EXPECT_LT(q, szKind[0] == '2' ? 1.06 : 1.34) << szKind;
        }
        for (size_t k = 1; k + 1 < ratio.size(); k++)
            EXPECT_NEAR(ratio[k] / ((ratio[k - 1] + ratio[k + 1]) / 2), 1.0, 0.01) << szKind << " node " << k;
    }
    EXPECT_NE(Solvent("25", "2").szText.find("with 100.000% H2-18O"), std::string::npos);
    EXPECT_NE(Solvent("25", "3").szText.find("with 100.000% D2O-18O"), std::string::npos);
}

TEST_F(SolventCalculatorTest, EntriesOutsideTheirRangeEndTheCommand)
{
    // a kind within 0.001 of a whole number is that kind
    EXPECT_NEAR(Solvent("25", "1.0005").dViscosity, 1.0965, 5e-5);
    auto refused = [this](const char* szT, const char* szKind, const char* szPercent, const char* szText) {
        headless::Script script;
        script.expectMessageBox("Given density and viscosity", IDOK)
            .expectInput("buffer density in H2O", "0.99823")
            .expectInput("buffer viscosity in H2O", "1.002")
            .expectInput("enter temperature", szT);
        if (szKind) {
            script.expectMessageBox("with any heavy water?", IDYES).expectInput("enter 1 for D2O", szKind);
            if (szPercent) script.expectInput("volume % of heavy water", szPercent);
        }
        script.expectMessageBox(szText, IDOK);
        Run(script, 1119);
        EXPECT_EQ(script.pending(), 0u);
        EXPECT_EQ(boxText(script, kSolvent), szText);
    };
    refused("36", nullptr, nullptr, "definitely outside range");
    refused("-1", nullptr, nullptr, "definitely outside range");
    refused("25", "1.5", nullptr, "incorrect entry");
    refused("25", "4", nullptr, "incorrect entry");
    refused("25", "0", nullptr, "incorrect entry");
    refused("25", "1", "101", "incorrect entry");
    refused("25", "1", "-5", "incorrect entry");
}

class SequenceCalculatorTest : public CalculatorTest {
protected:
    // The result box for the sequence; boxes of the letters are accepted.
    std::string Sequence(const std::string& szText, int nLetterBoxes = 0, const char* szDisulfide = nullptr,
                         const char* szTemperature = "20", const char* szWavelength = "580")
    {
        headless::Script script;
        script.expectTextWindow("", szText);
        for (int k = 0; k < nLetterBoxes; ++k) script.expectMessageBox("found ", IDOK);
        if (szDisulfide) script.expectInput("percent cysteines in disulfide bond", szDisulfide);
        script.expectInput("enter temperature (C)", szTemperature)
            .expectInput("refractive index of buffer", "1.334")
            .expectInput("wavelength", szWavelength)
            .expectMessageBox("amino acids read", IDOK);
        Run(script, 895);
        EXPECT_EQ(script.pending(), 0u);
        return boxText(script, kSequence);
    }
};

TEST_F(SequenceCalculatorTest, MassAndExtinctionOfShortSequences)
{
    for (const char* sz : {"WY", "wy", " w 1\n2y. "}) {
        const std::string t = Sequence(sz);
        EXPECT_EQ(t.find("2 amino acids read:\nmass = 367.4 Da\n"), 0u) << t;
        EXPECT_NE(t.find("coefficient: 6990 OD280/Mcm"), std::string::npos) << t;
        EXPECT_NE(t.find("coefficient: 6970 OD280/Mcm"), std::string::npos) << t;
        EXPECT_NE(t.find("coefficient: 5200 OD288/Mcm"), std::string::npos) << t;
        EXPECT_NE(t.find("coefficient: 29260 OD205/Mcm"), std::string::npos) << t;
    }
    // one residue has no peptide bond: its 205 nm coefficient is its side
    // chain's value of the published 205 nm set (a single cysteine is free)
    const struct {
        const char* sz;
        const char* szValue;
    } sideChains[] = {{"W", "20400"}, {"F", "8600"}, {"Y", "6080"}, {"H", "5200"},
                      {"M", "1830"},  {"R", "1350"}, {"C", "690"}};
    for (const auto& s : sideChains) {
        const std::string text = Sequence(s.sz);
        EXPECT_NE(text.find(std::string("coefficient: ") + s.szValue + " OD205/Mcm"), std::string::npos)
            << s.sz << "\n" << text;
    }
    // both cysteines bonded: one water and two hydrogens less than the residues
    EXPECT_NE(Sequence("CC", 0, "100").find("mass = 222.3 Da"), std::string::npos);
    EXPECT_NE(Sequence("CC", 0, "0").find("mass = 224.3 Da"), std::string::npos);
    {
        // the question offers half of them bonded: one hydrogen less
        headless::setPolicy(headless::Policy::DefaultAnswers);
        struct BackToFailing {
            ~BackToFailing() { headless::setPolicy(headless::Policy::FailOnUnexpected); }
        } back;
        const std::string text = Sequence("CC");
        EXPECT_NE(text.find("mass = 223.3 Da"), std::string::npos) << text;
    }
    // a single cysteine is asked nothing and bonds nothing
    const std::string t = Sequence("C");
    EXPECT_NE(t.find("mass = 121.1 Da"), std::string::npos) << t;
    EXPECT_NE(t.find("coefficient: 0 OD280/Mcm"), std::string::npos) << t;

    // Each chromophore adds its own absorbance: three Trp and two Tyr absorb
    // as three single Trp and two single Tyr in every set, and at 205 nm
    // their four peptide bonds add 2780 each.
    auto coefficients = [this](const std::string& szSequence) {
        const std::string text = Sequence(szSequence);
        std::vector<double> v;
        for (const char* szUnit : {"OD280/Mcm (Trp, Tyr and cystine", "OD280/Mcm (Trp, Tyr and Cys values in",
                                   "OD288/Mcm", "OD205/Mcm"}) {
            const size_t nUnit = text.find(szUnit);
            const size_t nNumber = text.rfind("coefficient: ", nUnit);
            EXPECT_NE(nUnit, std::string::npos) << szUnit << "\n" << text;
            v.push_back(nUnit == std::string::npos ? -1.0 : std::strtod(text.c_str() + nNumber + 13, nullptr));
        }
        return v;
    };
    const std::vector<double> w = coefficients("W"), y = coefficients("Y"), chain = coefficients("WWYWY");
    for (size_t k = 0; k < 4; ++k)
        EXPECT_NEAR(chain[k], 3 * w[k] + 2 * y[k] + (k == 3 ? 4 * 2780 : 0), 0.5) << "set " << k;
}

TEST_F(SequenceCalculatorTest, AmbiguousAndUnknownLetters)
{
    headless::Script script;
    script.expectTextWindow("", "BzJoUxB")
        .expectMessageBox("found B in sequence = either N or D", IDOK)
        .expectMessageBox("found Z in sequence = either E, Q, or G", IDOK)
        .expectMessageBox("found J in sequence = either I or L", IDOK)
        .expectMessageBox("found O in sequence: will be ignored", IDOK)
        .expectMessageBox("found U in sequence: unknown will be ignored", IDOK)
        .expectMessageBox("found X in sequence: unknown will be ignored", IDOK)
        .expectMessageBox("found B in sequence", IDOK)
        .expectInput("enter temperature (C)", "20")
        .expectInput("refractive index of buffer", "1.334")
        .expectInput("wavelength", "580")
        .expectMessageBox("amino acids read", IDOK);
    Run(script, 895);
    EXPECT_EQ(script.pending(), 0u);
    const std::string t = boxText(script, kSequence);
    // B, Z, J, B count; their masses are the averages of their readings
    const double m = 18 + 2 * (114.104 + 115.089) / 2 + (129.116 + 128.131 + 57.052) / 3 + (113.16 + 113.16) / 2;
    EXPECT_EQ(t.find("4 amino acids read:"), 0u) << t;
    EXPECT_NEAR(numberAfter(t, "mass = "), m, 0.05);
    // at 205 nm: a peptide bond each between the four, plus the side chains
    // of the halves and thirds (D and E 400 each)
    EXPECT_NEAR(numberAfter(t, "coefficient: "), 0, 1e-9);  // no Trp, Tyr or Cys at 280 nm
    const size_t at205 = t.find(" OD205/Mcm");
    ASSERT_NE(at205, std::string::npos);
    const size_t from = t.rfind("coefficient: ", at205);
    EXPECT_NEAR(std::atof(t.c_str() + from + 13), 3 * 2780 + 2 * 0.5 * 400 + 400.0 / 3, 1.0) << t;
}

// The text window holds 30000 bytes: a longer text is read to its 29999th
// letter, the terminator taking the last byte.
TEST_F(SequenceCalculatorTest, ATextLongerThanTheWindowIsCutToItsCapacity)
{
    const std::string t = Sequence(std::string(30010, 'G'));
    EXPECT_EQ(t.find("29999 amino acids read:"), 0u) << t.substr(0, 80);
}

TEST_F(SequenceCalculatorTest, NoResiduesNoResult)
{
    for (const char* sz : {"", "123 .,\n", "OX"}) {
        headless::Script script;
        script.expectTextWindow("", sz);
        for (const char* p = sz; *p; ++p)
            if (*p == 'O' || *p == 'X') script.expectMessageBox("found ", IDOK);
        script.expectMessageBox("no amino acids found", IDOK);
        Run(script, 895);
        EXPECT_EQ(script.pending(), 0u);
        EXPECT_EQ(boxText(script, kSequence), "no amino acids found");
    }
}

TEST_F(SequenceCalculatorTest, VolumeAndRefractiveIncrement)
{
    // a poly-alanine: every mass-weighted mean is close to alanine's own
    const std::string t = Sequence(std::string(200, 'A'));
    const double dVbar = numberAfter(t, "standard temp coefficient) = ");
    EXPECT_NEAR(dVbar, 0.74 * 200 * 71.079 / (18 + 200 * 71.079) + 0.000425 * (20 - 25), 1e-4) << t;
    const double dConsensus = numberAfter(t, "per residue temp coefficient) = ");
    EXPECT_NEAR(dConsensus, 0.744 * 200 * 71.079 / (18 + 200 * 71.079), 1e-4) << t;
    // dn/dc of proteins in water lies near 0.185 ml/g, lower for the weakly
    // refracting alanine, higher for aromatic residues; a little higher at
    // shorter wavelengths
    const double d589 = numberAfter(t, "dndc (25C, 589.3 nm) = ");
    EXPECT_GT(d589, 0.15);
    EXPECT_LT(d589, 0.185);
    EXPECT_GT(numberAfter(Sequence(std::string(200, 'W')), "dndc (25C, 589.3 nm) = "), 0.185);
    EXPECT_GT(numberAfter(t, "dndc (25C, 580.0 nm) = "), d589);
    EXPECT_NE(t.find("fringes per mg/ml (12 mm pathlength, 655 nm laser, 20.0C) = "), std::string::npos);
}

// The increment at the wavelength asked for follows one dispersion curve with
// the 589 nm value and the 655 nm value the fringes are counted with: at 25 C
// the estimate at 589 nm is the sodium-line value, and at 655 nm a solution of
// 1 mg/ml shifts the interference pattern by dn/dc c l / lambda fringes over
// the 12 mm path.
TEST_F(SequenceCalculatorTest, RefractiveIncrementAtTheWavelengthMeetsTheSodiumLineAndTheFringes)
{
    for (const char* szProtein : {"AAAAAAAAAA", "WYWYCKLMAAG"}) {
        const std::string t = Sequence(szProtein, 0, nullptr, "25", "589");
        const double d589 = numberAfter(t, "dndc (25C, 589.3 nm) = ");
        ASSERT_TRUE(d589 > 0.1 && d589 < 0.25) << t;
        EXPECT_NEAR(numberAfter(t, "dndc (25C, 589.0 nm) = "), d589, 1.5e-4) << t;
        EXPECT_NEAR(numberAfter(t, "estimated dndc (25.0C, 589.0 nm) = "), d589, 1.5e-4) << t;

        const std::string u = Sequence(szProtein, 0, nullptr, "25", "655");
        const double d655 = numberAfter(u, "estimated dndc (25.0C, 655.0 nm) = ");
        EXPECT_NEAR(numberAfter(u, "dndc (25C, 655.0 nm) = "), d655, 1e-9) << u;
        EXPECT_LT(d655, d589);  // normal dispersion: a smaller increment in the red
        EXPECT_GT(d655, 0.98 * d589);
        EXPECT_NEAR(numberAfter(u, "fringes per mg/ml (12 mm pathlength, 655 nm laser, 25.0C) = "),
                    d655 * 1e-3 * 1.2e-2 / 655e-9, 2e-3)
            << u;
    }
}

// The vbar of each residue at 40 C by both methods, weighed by mass with the
// water of the chain ends: the consensus value at 20 C plus 20 times its own
// temperature coefficient (the published per-residue table), and the
// standard value at 25 C (the classic residue table) plus 15 times the common
// coefficient 0.000425 ml/(g C). The increment at 589.3 nm from the residue's
// specific refraction r (docs/tools.md) and that standard v, weighed alike:
// Lorentz-Lorenz gives the protein's index, n_p^2 = (v + 2r) / (v - r), and
// Wiener's relation dn/dc = 1.5 v n_b (n_p^2 - n_b^2) / (n_p^2 + 2 n_b^2),
// here with n_p^2 put in and the (v - r) cleared.
TEST_F(SequenceCalculatorTest, ConsensusVbarFollowsEachResiduesTemperatureCoefficient)
{
    const struct {
        char c;
        double m, v20, dvdT, v25, r;
    } residues[] = {{'A', 71.079, 0.744, 0.0005695, 0.74, 0.242},  {'C', 103.144, 0.615, 0.0005453, 0.63, 0.238},
                    {'D', 115.089, 0.604, 0.0006989, 0.60, 0.227}, {'E', 129.116, 0.657, 0.0006462, 0.66, 0.233},
                    {'F', 147.177, 0.776, 0.0007857, 0.77, 0.287}, {'G', 57.052, 0.632, 0.000549, 0.64, 0.225},
                    {'H', 137.142, 0.686, 0.0006274, 0.67, 0.253}, {'I', 113.16, 0.884, 0.0006677, 0.90, 0.282},
                    {'K', 128.174, 0.811, 0.0004793, 0.82, 0.266}, {'L', 113.16, 0.894, 0.0004737, 0.90, 0.279},
                    {'M', 131.198, 0.758, 0.0007695, 0.75, 0.263}, {'N', 114.104, 0.634, 0.0008368, 0.62, 0.229},
                    {'P', 97.117, 0.765, 0.0006153, 0.76, 0.245},  {'Q', 128.131, 0.682, 0.0005644, 0.67, 0.237},
                    {'R', 156.188, 0.726, 0.0006408, 0.70, 0.253}, {'S', 87.078, 0.634, 0.0004773, 0.63, 0.220},
                    {'T', 101.105, 0.705, 0.0004957, 0.70, 0.236}, {'V', 99.133, 0.843, 0.0004297, 0.86, 0.270},
                    {'W', 186.213, 0.737, 0.0004936, 0.74, 0.297}, {'Y', 163.17, 0.706, 0.0006207, 0.71, 0.272}};
    const double nb = 1.334, nb2 = nb * nb;
    for (const auto& r : residues) {
        // one residue: no disulfide question
        const std::string t = Sequence(std::string(1, r.c), 0, nullptr, "40");
        const double dMass = r.m + 18;
        EXPECT_NEAR(numberAfter(t, "per residue temp coefficient) = "), (r.v20 + 20 * r.dvdT) * r.m / dMass, 6e-5)
            << r.c << "\n" << t;
        EXPECT_NEAR(numberAfter(t, "standard temp coefficient) = "), r.v25 * r.m / dMass + 15 * 0.000425, 6e-5)
            << r.c << "\n" << t;
        const double v = r.v25 * r.m / dMass, q = r.r * r.m / dMass;
        const double dDndc = 1.5 * v * nb * (v * (1 - nb2) + q * (2 + nb2)) / (v * (1 + 2 * nb2) + 2 * q * (1 - nb2));
        EXPECT_NEAR(numberAfter(t, "dndc (25C, 589.3 nm) = "), dDndc, 1e-4) << r.c << "\n" << t;
    }
}

}  // namespace
