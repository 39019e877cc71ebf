#include "PunchCommand.h"

#include "DeckOutput.h"
#include "FileAccess.h"
#include "OutputGuard.h"
#include "Punch.h"
#include "ReadScan.h"

#include <algorithm>
#include <cmath>
#include <sstream>
#include <stdexcept>

namespace Cli {

using namespace Punch;

namespace {

// Each step returns an empty string when it went well, else the message that ends the command.
using Problem = std::string;

// A photo is colour with its own light and noise: the scan's look and specks do not apply.
Problem CheckPhoto(const PunchOptions& options)
{
    const Punch::ScanOutputOptions& scan = options.scan;
    if (options.photo.wanted && options.roughEdges > 0.0)
        return "--rough-edges wears the edges of a scanned card: give no --photo with it";
    if (!options.photo.wanted)
        return !options.photo.cardColour.empty() || options.photo.backlit || options.photo.dim
                   ? "--card-colour, --backlit and --dim paint a photo: give --photo with them"
                   : Problem();
    if (options.noise > 0.0 || scan.grey || scan.colour || scan.blur > 0 || scan.falloff > 0.0 ||
        scan.sensorNoise > 0.0 || scan.blackLevel != Punch::ScanOutputOptions{}.blackLevel ||
        scan.cardWhite != Punch::ScanOutputOptions{}.cardWhite)
        return "--photo paints its own colour, light and noise: give no --noise, --grey, --colour, "
               "--black-level, --card-white, --falloff, --blur or --sensor-noise with it";
    return {};
}

Problem CheckNumbers(const PunchOptions& options)
{
    if (!std::isfinite(options.dpi) || options.dpi <= 0.0)
        return "--dpi: not a resolution";
    if (!(options.noise >= 0.0 && options.noise <= kMaxNoise)) {
        std::ostringstream text;
        text << "--noise: give a fraction from 0 to " << kMaxNoise
             << "; more leaves no room for isolated specks";
        return text.str();
    }
    for (const double angle : options.angles)
        if (!std::isfinite(angle))
            return "--angle: not a number of degrees";
    return CheckPhoto(options);
}

// --tilt DEG,DEG: two angles of at most kMaxTilt degrees.
Problem ParseTilt(const std::string& text, Punch::PageOptions& page)
{
    if (text.empty())
        return {};
    std::istringstream in(text);
    std::vector<double> angles;
    for (std::string item; std::getline(in, item, ',');) {
        std::size_t used = 0;
        double angle = 0.0;
        try {
            angle = std::stod(item, &used);
        } catch (const std::exception&) {
            used = 0;
        }
        if (used == 0 || used != item.size() || !(std::abs(angle) <= kMaxTilt))
            return "--tilt: \"" + item + "\" is not a number of degrees from -25 to 25";
        angles.push_back(angle);
    }
    if (angles.size() != 2)
        return "--tilt: give two angles, DEG,DEG (about the horizontal and the vertical axis)";
    page.tiltAboutHorizontal = angles[0];
    page.tiltAboutVertical = angles[1];
    return {};
}

// The lines of --file, within the bounds on their number and length.
Problem ReadLines(const std::string& fileName, std::vector<std::string>& texts)
{
    constexpr std::size_t kMaxBytes = kMaxFileLines * (kMaxLineLength + 2);
    const Algemeen::FileBytes file = Algemeen::ReadRegularFile(fileName, kMaxBytes);
    if (file.status == Algemeen::FileStatus::Missing)
        return fileName + ": cannot be read";
    if (file.status != Algemeen::FileStatus::Ok)
        return fileName + ": " + file.message;
    std::istringstream in(file.bytes);
    std::size_t count = 0;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (++count > kMaxFileLines)
            return fileName + ": more than " + std::to_string(kMaxFileLines) + " lines";
        if (line.size() > kMaxLineLength)
            return fileName + ": line " + std::to_string(count) + " is longer than " +
                   std::to_string(kMaxLineLength) + " characters";
        texts.push_back(std::move(line));
    }
    if (!file.complete)
        return fileName + ": more than " + std::to_string(kMaxFileLines) + " lines of at most " +
               std::to_string(kMaxLineLength) + " characters";
    return {};
}

// The cards' texts: the TEXT arguments, then the lines of --file.
Problem CollectTexts(const PunchOptions& options, std::vector<std::string>& texts)
{
    texts = options.texts;
    if (!options.file.empty())
        if (Problem problem = ReadLines(options.file, texts); !problem.empty())
            return problem;
    if (texts.empty())
        return "no cards to punch: give TEXT arguments or --file";
    if (options.angles.size() != 1 && options.angles.size() != texts.size())
        return "--angle: " + std::to_string(options.angles.size()) + " angles for " +
               std::to_string(texts.size()) + " cards; give one for all or one per card";
    return {};
}

// Which of `count` cards an option names: "all", or card numbers from 1 separated by commas.
Problem ChosenCards(const std::string& option, const std::string& text, std::size_t count,
                    std::vector<bool>& chosen)
{
    chosen.assign(count, text == "all");
    if (text.empty() || text == "all")
        return {};
    std::istringstream in(text);
    for (std::string item; std::getline(in, item, ',');) {
        std::size_t used = 0, number = 0;
        try {
            number = item.size() <= 9 && !item.empty() && item[0] != '-' ? std::stoul(item, &used) : 0;
        } catch (const std::exception&) {
            number = 0;
        }
        if (used != item.size() || number < 1 || number > count)
            return option + ": \"" + item + "\" is not a card number from 1 to " + std::to_string(count);
        chosen[number - 1] = true;
    }
    return {};
}

// Every text through the code table (--code, by default the one of the current directory).
Problem PunchTexts(const std::vector<std::string>& texts, const PunchOptions& options,
                   std::vector<CardPunches>& punches)
{
    const CodeTableResult table = ReadCodeTable(options.code);
    if (!table.ok)
        return options.code + ": " + table.message;
    punches.clear();
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const PunchResult punched = PunchText(texts[i], table.codes);
        if (!punched.ok)
            return "card " + std::to_string(i + 1) + ": " + punched.message;
        punches.push_back(punched.punches);
    }
    return {};
}

// The interpretation line of each card: its columns through the code table, the first code of
// each pattern, blank where none fits (as an interpreter leaves it). Without a readable table the
// line stays empty.
void PrintInterpretation(const std::string& code, std::vector<CardOnPage>& cards)
{
    const CodeTableResult table = ReadCodeTable(code);
    if (!table.ok)
        return;
    for (CardOnPage& card : cards) {
        card.line.assign(kCardColumns, ' ');
        for (int column = 0; column < kCardColumns; ++column) {
            const PunchPattern pattern = card.punches[static_cast<std::size_t>(column)];
            for (const CardCode& each : table.codes)
                if (each.pattern == pattern && pattern != PunchPattern{}) {
                    card.line[static_cast<std::size_t>(column)] = each.character;
                    break;
                }
        }
    }
}

// The cards with their angles and stock. Angles are reduced modulo 360 first, which is exact, so
// that no later arithmetic meets a huge angle.
Problem ArrangeCards(const std::vector<CardPunches>& punches, const PunchOptions& options,
                     std::vector<CardOnPage>& cards)
{
    const std::vector<double>& angles = options.angles;
    if (angles.size() != 1 && angles.size() != punches.size())
        return "--angle: " + std::to_string(angles.size()) + " angles for " + std::to_string(punches.size()) +
               " cards; give one for all or one per card";
    std::vector<bool> faceUp, noCut;
    if (Problem problem = ChosenCards("--face-up", options.faceUp, punches.size(), faceUp); !problem.empty())
        return problem;
    if (Problem problem = ChosenCards("--no-cut", options.noCut, punches.size(), noCut); !problem.empty())
        return problem;
    if (options.scribble && !options.front && options.duplex.empty())
        return "--scribble draws on the printed face: give --front or --duplex with it";
    if ((options.damageFront > 0.0 || options.damageBack > 0.0) && options.duplex.empty())
        return "--damage-front and --damage-back damage one side of a pair: give --duplex with them";
    if ((options.front || !options.duplex.empty()) &&
        std::find(faceUp.begin(), faceUp.end(), true) != faceUp.end())
        return "--face-up draws a back mirrored as if seen from the front; with --front every card shows "
               "its printed face (with --duplex, every front): give one of them";
    cards.clear();
    for (std::size_t i = 0; i < punches.size(); ++i) {
        const double angle = std::fmod(angles.size() == 1 ? angles[0] : angles[i], 360.0);
        cards.push_back({punches[i], angle, faceUp[i], noCut[i]});
        cards.back().front = options.front && options.duplex.empty(); // a duplex draws both sides
        cards.back().scribble = options.scribble;
        cards.back().scribbleSeed = options.seed + i;
    }
    if (options.front || !options.duplex.empty())
        PrintInterpretation(options.code, cards);
    return {};
}

Punch::PageOptions PageOptionsOf(const PunchOptions& options)
{
    Punch::PageOptions page;
    page.dpi = options.dpi;
    page.real = options.real;
    page.noise = options.noise;
    page.seed = options.seed;
    page.roughEdges = options.roughEdges;
    page.scan = options.scan;
    page.photo = options.photo;
    ParseTilt(options.tilt, page); // checked before anything is drawn
    return page;
}

// The files the pages go to: OUT, or with --per-page OUT-0001.bmp, OUT-0002.bmp, ...; with
// --duplex two per card (per page with --per-page), first side first.
std::vector<std::string> PageNames(const PunchOptions& options, std::size_t cards)
{
    if (options.perPage == 0 && options.duplex.empty())
        return {options.output};
    const std::size_t step = options.perPage == 0 ? 1 : options.perPage;
    const bool frontFirst = options.duplex == "front-first";
    std::vector<std::string> names;
    for (std::size_t first = 0, page = 1; first < cards; first += step, ++page)
        if (options.duplex.empty()) {
            names.push_back(PageFileName(options.output, page));
        } else {
            names.push_back(DuplexFileName(options.output, page, frontFirst, frontFirst));
            names.push_back(DuplexFileName(options.output, page, !frontFirst, frontFirst));
        }
    return names;
}

// Every page's file is checked before the first is written: none may be an input (a refusal),
// and each must be a file that can be replaced (std::runtime_error, as a failed write).
Problem CheckPageFiles(const PunchOptions& options, std::size_t cards)
{
    const std::vector<NamedInput> inputs = PunchInputs(options);
    for (const std::string& name : PageNames(options, cards)) {
        if (Problem problem = OverwritesInput("-o", name, inputs); !problem.empty())
            return problem;
        if (std::string refusal = Algemeen::OutputRefusal(name); !refusal.empty())
            throw std::runtime_error(refusal);
    }
    return {};
}

// Both sides of every card, or of every page of --per-page cards, in the order --duplex asks for,
// with the damage of --damage-front and --damage-back, each damaged side listed on err.
Problem DrawDuplex(const PunchOptions& options, const std::vector<CardOnPage>& cards, std::ostream& err)
{
    std::vector<CardPunches> punches;
    for (const CardOnPage& card : cards)
        punches.push_back(card.punches);
    const std::vector<DamageRecord> damage =
        ChooseDamage(punches, options.damageFront, options.damageBack, options.seed);
    std::vector<CardOnPage> backs = cards, fronts;
    for (const CardOnPage& back : backs)
        fronts.push_back(FrontOf(back));
    for (const DamageRecord& record : damage)
        (record.front ? fronts : backs)[record.card].damage.push_back(record.damage);
    const std::vector<std::string> names = PageNames(options, cards.size());
    const bool frontFirst = options.duplex == "front-first";
    const std::size_t step = options.perPage == 0 ? 1 : options.perPage;
    for (std::size_t first = 0, page = 0; first < cards.size(); first += step, ++page) {
        const auto from = static_cast<std::ptrdiff_t>(first);
        const auto to = static_cast<std::ptrdiff_t>(std::min(cards.size(), first + step));
        const std::vector<CardOnPage>& firstSide = frontFirst ? fronts : backs;
        const std::vector<CardOnPage>& secondSide = frontFirst ? backs : fronts;
        for (const auto& [side, name] :
             {std::pair{&firstSide, names[2 * page]}, {&secondSide, names[2 * page + 1]}})
            if (Problem problem = Punch::WritePage({side->begin() + from, side->begin() + to},
                                                   PageOptionsOf(options), name);
                !problem.empty())
                return name + ": " + problem;
    }
    for (const DamageRecord& record : damage)
        err << DescribeDamage(record) << "\n";
    return {};
}

// One page, or with --per-page pages of that many cards named OUT-0001.bmp, OUT-0002.bmp, ...
Problem DrawPages(const PunchOptions& options, const std::vector<CardOnPage>& cards, std::ostream& err)
{
    if (Problem problem = CheckPageFiles(options, cards.size()); !problem.empty())
        return problem;
    if (!options.duplex.empty())
        return DrawDuplex(options, cards, err);
    if (options.perPage == 0)
        return Punch::WritePage(cards, PageOptionsOf(options), options.output);
    for (std::size_t first = 0, page = 1; first < cards.size(); first += options.perPage, ++page) {
        const std::string name = PageFileName(options.output, page);
        const std::size_t last = std::min(cards.size(), first + options.perPage);
        const std::vector<CardOnPage> onPage(cards.begin() + static_cast<std::ptrdiff_t>(first),
                                             cards.begin() + static_cast<std::ptrdiff_t>(last));
        if (Problem problem = Punch::WritePage(onPage, PageOptionsOf(options), name); !problem.empty())
            return "page " + std::to_string(page) + ": " + problem;
    }
    return {};
}

} // namespace

int RunPunch(const PunchOptions& options, std::ostream& err)
{
    std::vector<std::string> texts;
    std::vector<CardPunches> punches;
    std::vector<CardOnPage> cards;
    Problem problem = CheckNumbers(options);
    Punch::PageOptions checked;
    if (problem.empty())
        problem = ParseTilt(options.tilt, checked);
    if (problem.empty())
        problem = OverwritesInput("-o", options.output, PunchInputs(options));
    if (problem.empty() && !options.deck.empty()) {
        if (!options.texts.empty() || !options.file.empty())
            problem = "--deck punches the deck's cards: give no TEXT and no --file with it";
        else
            problem = ReadDeckToPunch(options.deck, options.deckFormat, options.code, punches);
    } else if (problem.empty()) {
        problem = CollectTexts(options, texts);
        if (problem.empty())
            problem = PunchTexts(texts, options, punches);
    }
    if (problem.empty())
        problem = ArrangeCards(punches, options, cards);
    if (problem.empty())
        problem = DrawPages(options, cards, err);
    if (problem.empty())
        return 0;
    err << "korvane-cli: " << problem << "\n";
    return kRefused;
}

} // namespace Cli
