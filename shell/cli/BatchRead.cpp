#include "BatchRead.h"

#include "CardJson.h"
#include "DeckOutput.h"
#include "OutputGuard.h"
#include "PictureOptions.h"
#include "PngFile.h"
#include "Raster.h"
#include "ReadScan.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <mutex>

namespace Cli {

namespace {

using nlohmann::json;

// Refusal reasons, counted by the summary: kept to a few fixed texts.
constexpr const char* kMissing = "does Not exist";
constexpr const char* kNotAPicture = "Not a proper B/W picture";

Batch::BatchOptions BatchOptionsOf(const ReadOptions& options)
{
    Batch::BatchOptions batch;
    batch.paths = options.scans;
    batch.filesFrom = options.filesFrom;
    batch.jobs = options.jobs;
    batch.timeoutSeconds = options.timeoutSeconds;
    batch.jsonl = options.jsonl;
    batch.resume = options.resume;
    batch.summary = options.summary;
    batch.progress = options.progress;
    batch.quiet = options.quiet;
    return batch;
}

// What batch mode cannot do, or "".
std::string Unsupported(const ReadOptions& options)
{
    if (options.json)
        return "--json reads one picture at a time; a batch writes --jsonl OUT";
    if (options.atX)
        return "--at picks a card of one picture; a batch reads every card";
    if (!options.overlay.empty())
        return "--overlay saves one picture; a batch saves --review DIR";
    return "";
}

// The part of the picture around the card, its outline in blue and a dot on every cell of the fitted
// grid: red in the columns that read "?", lime elsewhere.
Algemeen::Raster ReviewOverlay(const korvane::Picture& picture, const korvane::CardResult& card)
{
    double left = picture.Width, top = picture.Height, right = 0, bottom = 0;
    for (const auto& p : card.Outline) {
        left = std::min(left, p.X);
        top = std::min(top, p.Y);
        right = std::max(right, p.X);
        bottom = std::max(bottom, p.Y);
    }
    const auto x0 = std::clamp(static_cast<std::int32_t>(std::floor(left)) - 4, 0, picture.Width - 1);
    const auto y0 = std::clamp(static_cast<std::int32_t>(std::floor(top)) - 4, 0, picture.Height - 1);
    const auto x1 = std::clamp(static_cast<std::int32_t>(std::ceil(right)) + 4, x0, picture.Width - 1);
    const auto y1 = std::clamp(static_cast<std::int32_t>(std::ceil(bottom)) + 4, y0, picture.Height - 1);
    Algemeen::Raster raster(x1 - x0 + 1, y1 - y0 + 1);
    for (std::int32_t y = y0; y <= y1; ++y) {
        const std::uint8_t* row =
            picture.Bytes.data() + static_cast<std::ptrdiff_t>(picture.FirstRow) + y * picture.RowStep;
        for (std::int32_t x = x0; x <= x1; ++x)
            if ((row[x / 8] & (0x80 >> (x % 8))) == 0)
                raster.SetPixel(x - x0, y - y0, Algemeen::kBlack);
    }
    raster.SetPenColour(Algemeen::kBlue);
    const std::ptrdiff_t points = card.Outline.Length();
    for (std::ptrdiff_t k = 0; k <= points && points > 0; ++k) {
        const auto& p = card.Outline[k % points];
        const auto x = static_cast<std::int32_t>(std::lround(p.X)) - x0;
        const auto y = static_cast<std::int32_t>(std::lround(p.Y)) - y0;
        k == 0 ? raster.MoveTo(x, y) : raster.LineTo(x, y);
    }
    // The grid counts columns as the back shows them: grid column i is text column 80 - i.
    for (int column = 0; column < 80; ++column) {
        const bool unknown = std::find(card.UnknownColumns.begin(), card.UnknownColumns.end(), 80 - column) !=
                             card.UnknownColumns.end();
        for (int row = 0; row < 12; ++row) {
            const auto at = Ogenblik::GridPosition(card.Grid, column, row);
            const auto x = static_cast<std::int32_t>(std::lround(at.X)) - x0;
            const auto y = static_cast<std::int32_t>(std::lround(at.Y)) - y0;
            if (x >= 1 && y >= 1 && x + 1 < raster.Width() && y + 1 < raster.Height())
                raster.FillRect(x - 1, y - 1, x + 2, y + 2, unknown ? Algemeen::kRed : Algemeen::kLime);
        }
    }
    return raster;
}

// "DIR/box_card7.bmp-card2-unknown-columns+low-fit-quality.png": the picture's path with its
// slashes made part of the name, the card in the picture, and why it needs a look.
std::string ReviewFileName(const std::string& dir, const std::string& file, std::size_t card,
                           const Batch::ReviewFlags& review)
{
    std::string name = file;
    std::replace(name.begin(), name.end(), '/', '_');
    std::string why;
    for (const auto& [flag, text] : {std::pair{review.unknownColumns, "unknown-columns"},
                                     {review.orientationUnsettled, "orientation-not-settled"},
                                     {review.lowFitQuality, "low-fit-quality"}})
        if (flag)
            why += (why.empty() ? "" : "+") + std::string(text);
    return (std::filesystem::path(dir) / (name + "-card" + std::to_string(card) + "-" + why + ".png"))
        .string();
}

} // namespace

bool WantsBatch(const ReadOptions& options)
{
    if (!options.filesFrom.empty() || options.jobs != 0 || options.timeoutSeconds != 0 ||
        !options.jsonl.empty() || options.resume || !options.summary.empty() || options.progress ||
        options.quiet || !options.review.empty())
        return true;
    std::error_code error;
    for (const std::string& scan : options.scans)
        if (std::filesystem::is_directory(scan, error))
            return true;
    return false;
}

Batch::CardRecord RecordOfCard(const korvane::CardResult& card)
{
    Batch::CardRecord record;
    record.content = CardJson(card, CardDetail::Lines);
    record.review.unknownColumns = !card.UnknownColumns.empty();
    record.review.orientationUnsettled = !card.Decoded || card.Orientation != "settled";
    const double fit = card.HasFitLast ? card.FitLast : card.FitFirst;
    record.review.lowFitQuality = card.Decoded && fit < kReviewFitQuality;
    return record;
}

bool DeckCardOfRecord(const json& content, const std::string& scan, int cardInPicture, Deck::DeckCard& card)
{
    const auto punches = content.find("punches");
    if (punches == content.end() || !punches->is_array() || punches->size() != Deck::kColumns)
        return false;
    card = Deck::DeckCard{};
    for (int column = 0; column < Deck::kColumns; ++column) {
        const auto& digits = (*punches)[static_cast<std::size_t>(column)];
        const auto value = digits.is_string() ? Deck::ParseOctal(digits.get<std::string>()) : std::nullopt;
        if (!value)
            return false;
        card.punches[static_cast<std::size_t>(column)] = *value;
    }
    card.scanFile = scan;
    card.cardInPicture = cardInPicture;
    card.text80 = content.value("text80", std::string());
    card.unknownColumns = content.value("unknownColumns", std::vector<int>());
    if (const auto fit = content.find("fitQuality"); fit != content.end() && fit->is_object()) {
        card.fitFirst = fit->value("first", 0.0);
        if (const auto last = fit->find("last"); last != fit->end() && last->is_number())
            card.fitLast = last->get<double>();
    }
    card.orientation = OrientationOf(content);
    if (const auto centre = content.find("centre");
        centre != content.end() && centre->is_array() && centre->size() == 2)
        card.centre = {(*centre)[0].get<double>(), (*centre)[1].get<double>()};
    return true;
}

Batch::PictureOutcome ReadPictureFile(korvane::Reader& reader, const std::string& file,
                                      const Batch::Deadline& deadline, const std::string& reviewDir)
{
    Batch::DeadlinePump pump(deadline);
    const korvane::ScanResult scan = reader.ReadFile(file, pump);
    switch (scan.Open) {
    case korvane::OpenStatus::Missing:
        return Batch::PictureOutcome::Refusal(kMissing);
    case korvane::OpenStatus::NotAPicture:
        return Batch::PictureOutcome::Refusal(scan.Reason.empty() ? std::string(kNotAPicture) : scan.Reason);
    case korvane::OpenStatus::Opened:
        break;
    }
    if (!scan.Processed)
        return Batch::PictureOutcome::Refusal(korvane::kNotACard);
    Batch::PictureOutcome outcome;
    for (const korvane::CardResult& card : scan.Cards) {
        outcome.cards.push_back(RecordOfCard(card));
        const Batch::ReviewFlags& review = outcome.cards.back().review;
        if (!reviewDir.empty() && review.Any() && !card.Outline.Empty())
            WritePng(ReviewOverlay(scan.Picture, card),
                     ReviewFileName(reviewDir, file, outcome.cards.size(), review));
    }
    return outcome;
}

int RunBatchRead(const ReadOptions& options, std::istream& in, std::ostream& out, std::ostream& err,
                 bool errIsTerminal)
{
    const Batch::BatchOptions batch = BatchOptionsOf(options);
    std::string problem = Unsupported(options);
    if (problem.empty())
        problem = Batch::CheckBatchOptions(batch);
    if (!problem.empty()) {
        err << "korvane-cli: " << problem << "\n";
        return kUsageError;
    }
    // Outputs never replace the code table or each other's inputs; the pictures are checked as the
    // single-picture read checks its scan.
    ReadOptions guarded = options;
    for (const auto& [option, output] : {std::pair<std::string, std::string>{"--deck", options.deck},
                                         {"--jsonl", options.jsonl},
                                         {"--summary", options.summary}}) {
        if (output.empty())
            continue;
        for (const std::string& scan : options.scans.empty() ? std::vector<std::string>{""} : options.scans) {
            guarded.scan = scan;
            if (std::string refusal = OverwritesInput(option, output, ReadInputs(guarded));
                !refusal.empty()) {
                err << "korvane-cli: " << refusal << "\n";
                return kRefused;
            }
        }
    }
    if (!options.review.empty()) {
        std::error_code error;
        std::filesystem::create_directories(options.review, error);
        if (!std::filesystem::is_directory(options.review, error)) {
            err << "korvane-cli: --review " << options.review << ": not a folder that can be made\n";
            return kRefused;
        }
    }
    std::optional<Deck::DeckFormat> format;
    if (!options.deck.empty())
        format = Deck::DeckFormatNamed(options.deckFormat);
    auto table = std::make_shared<korvane::CodeTableEntries>();
    Deck::CodeMapResult loaded = LoadCodeMap(options.code, table.get());
    if (!loaded.ok) {
        err << "korvane-cli: " << options.code << ": " << loaded.message << "\n";
        return kRefused;
    }
    const Deck::CodeMap map = std::move(loaded.map);

    korvane::ReadOptions readerOptions;
    readerOptions.CodeTableFile = options.code;
    readerOptions.LogFile.clear();              // one log for many threads would interleave
    readerOptions.CodeTable = std::move(table); // read once for every card of the batch
    readerOptions.Picture = PictureSettingsFor(options.picture);
    std::vector<Deck::DeckCard> deck;
    Batch::BatchHooks hooks;
    hooks.worker =
        Batch::PerWorker([readerOptions] { return std::make_shared<korvane::Reader>(readerOptions); },
                         [&options](std::shared_ptr<korvane::Reader>& reader, const std::string& file,
                                    const Batch::Deadline& deadline) {
                             return ReadPictureFile(*reader, file, deadline, options.review);
                         });
    hooks.onPicture = [&](std::size_t, const std::string& file, const Batch::PictureOutcome& outcome) {
        if (!format || outcome.refused)
            return;
        int inPicture = 0;
        for (const Batch::CardRecord& record : outcome.cards) {
            Deck::DeckCard card;
            if (DeckCardOfRecord(record.content, file, inPicture + 1, card)) {
                ++inPicture;
                deck.push_back(std::move(card));
            }
        }
    };
    hooks.onFinished = [&] {
        if (format)
            WriteDeckFile(options.deck, *format, deck, map);
    };
    const Batch::BatchResult result = Batch::RunBatch(batch, hooks, {in, out, err, errIsTerminal});
    if (!result.ok)
        err << "korvane-cli: " << result.message << "\n";
    return result.exitStatus;
}

} // namespace Cli
