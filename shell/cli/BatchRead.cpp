#include "BatchRead.h"

#include "CardJson.h"
#include "DeckGaps.h"
#include "DeckOutput.h"
#include "DecodeOptions.h"
#include "Duplex.h"
#include "FileAccess.h"
#include "OutputGuard.h"
#include "PictureOptions.h"
#include "PngFile.h"
#include "ReadScan.h"
#include "korvane/CardPicture.h"

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
    batch.review = options.review;
    batch.pairs = !options.duplex.empty();
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

// The pictures in pairs, each pair a unit named by its first picture, read by a front and a back
// reader of each worker's own.
void SetDuplexHooks(DuplexOrder order, const ReadOptions& options, const korvane::ReadOptions& readerOptions,
                    const Deck::CodeMap& map, Batch::BatchHooks& hooks, std::ostream& err,
                    std::mutex& errMutex)
{
    auto partners = std::make_shared<std::map<std::string, std::string>>();
    hooks.units = [partners](const std::vector<std::string>& files) {
        std::vector<std::string> units;
        for (std::size_t k = 0; k < files.size(); k += 2) {
            units.push_back(files[k]);
            if (k + 1 < files.size())
                (*partners)[files[k]] = files[k + 1];
        }
        return units;
    };
    struct Readers
    {
        std::shared_ptr<korvane::Reader> front, back;
    };
    korvane::ReadOptions frontOptions = readerOptions;
    frontOptions.Picture.Decoding.Face = Imaging::Side::Front;
    korvane::ReadOptions backOptions = readerOptions;
    backOptions.Picture.Decoding.Face = Imaging::Side::Back;
    hooks.worker = Batch::PerWorker(
        [frontOptions, backOptions] {
            return Readers{std::make_shared<korvane::Reader>(frontOptions),
                           std::make_shared<korvane::Reader>(backOptions)};
        },
        [order, partners, &options, &map, &err, &errMutex](Readers& readers, const std::string& first,
                                                           const Batch::Deadline& deadline) {
            const auto partner = partners->find(first);
            if (partner == partners->end())
                return Batch::PictureOutcome::Refusal(kNoOtherSide);
            const bool frontFirst = order == DuplexOrder::FrontFirst;
            return ReadPair(*readers.front, *readers.back, frontFirst ? first : partner->second,
                            frontFirst ? partner->second : first, deadline, map, options.review, first,
                            [&](const std::string& message) {
                                std::lock_guard lock(errMutex);
                                err << "korvane-cli: review picture of " << first << " not saved: " << message
                                    << "\n";
                            });
        });
}

} // namespace

bool WantsBatch(const ReadOptions& options)
{
    return Batch::WantsBatch(BatchOptionsOf(options));
}

double FitPerHole(const korvane::CardResult& card)
{
    const double holes = static_cast<double>(card.HoleCells.Length()) - 1;
    const double fit = card.HasFitLast ? card.FitLast : card.FitFirst;
    return holes >= 1 ? fit * (holes + 1) / holes : 100.0;
}

Batch::CardRecord RecordOfCard(const korvane::CardResult& card)
{
    Batch::CardRecord record;
    record.content = CardJson(card, CardDetail::Lines);
    record.review.unknownColumns = !card.UnknownColumns.empty();
    record.review.orientationUnsettled = !card.Decoded || !korvane::OrientationSound(card.Orientation);
    record.review.lowFitQuality = card.Decoded && FitPerHole(card) < kReviewFitQuality;
    for (const korvane::DoubtfulColumn& column : card.DoubtfulColumns)
        record.review.doubtfulColumns.push_back(column.Column);
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
                                      const Batch::Deadline& deadline, const std::string& reviewDir,
                                      const std::function<void(const std::string&)>& onReviewFailure)
{
    Batch::DeadlinePump pump(deadline);
    // The deadline reaches into the decoders too, which a picture built to be slow keeps busy.
    const Imaging::DecodeStop stop([&deadline] { return deadline.Expired(); });
    const korvane::ScanResult scan = reader.ReadFile(file, pump);
    if (scan.Open == korvane::OpenStatus::NotAPicture)
        deadline.Check(); // a decode the deadline stopped is a timeout, not a bad picture
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
        if (!reviewDir.empty() && review.Any() && !card.Outline.Empty()) {
            try {
                WritePng(korvane::CardPicture(scan.Picture, card),
                         Batch::ReviewFileName(reviewDir, file, outcome.cards.size(), review));
            } catch (const std::runtime_error& error) {
                if (onReviewFailure)
                    onReviewFailure(error.what());
            }
        }
    }
    return outcome;
}

int RunBatchRead(const ReadOptions& options, std::istream& in, std::ostream& out, std::ostream& err,
                 bool errIsTerminal)
{
    Batch::BatchOptions batch = BatchOptionsOf(options);
    // Pairs read without --jsonl print a line per card as they finish (in input order): those lines
    // show the progress, and a progress line on the same terminal would break into them.
    const bool pairLines = !options.duplex.empty() && options.jsonl.empty();
    if (pairLines && !options.progress)
        batch.quiet = true;
    std::string problem = Unsupported(options);
    if (problem.empty())
        problem = Batch::CheckBatchOptions(batch);
    if (!problem.empty()) {
        err << "korvane-cli: " << problem << "\n";
        return kUsageError;
    }
    // Every output must be a file that can be replaced (a device, FIFO or folder is refused, exit
    // 3) and none of the run's inputs (exit 2): the code table, the log, the list and every picture
    // the folders and lists give, checked once they are known and before anything runs.
    const std::vector<std::pair<std::string, std::string>> outputs{
        {"--deck", options.deck}, {"--jsonl", options.jsonl}, {"--summary", options.summary}};
    for (const auto& [option, output] : outputs)
        if (std::string refusal = output.empty() ? "" : Algemeen::OutputRefusal(output); !refusal.empty()) {
            err << "korvane-cli: " << option << " " << refusal << "\n";
            return kUnexpected;
        }
    Batch::BatchHooks hooks;
    hooks.checkInputs = [&](const std::vector<std::string>& files) -> std::string {
        std::vector<NamedInput> inputs = ReadInputs(options);
        if (!options.filesFrom.empty() && options.filesFrom != "-")
            inputs.push_back({"the --files-from list", options.filesFrom});
        for (const std::string& file : files)
            inputs.push_back({"a picture of the batch", file});
        for (const auto& [option, output] : outputs)
            if (std::string refusal = output.empty() ? "" : OverwritesInput(option, output, inputs);
                !refusal.empty())
                return refusal;
        return "";
    };
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
    DeckGaps gaps(MissingCardsNamed(options.missing).value_or(MissingCards::Skip), options.missing);
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
    std::mutex errMutex;
    DuplexTally tally;
    if (const std::optional<DuplexOrder> order = DuplexOrderNamed(options.duplex))
        SetDuplexHooks(*order, options, readerOptions, map, hooks, err, errMutex);
    else
        hooks.worker = Batch::PerWorker(
            [readerOptions] { return std::make_shared<korvane::Reader>(readerOptions); },
            [&options, &err, &errMutex](std::shared_ptr<korvane::Reader>& reader, const std::string& file,
                                        const Batch::Deadline& deadline) {
                return ReadPictureFile(
                    *reader, file, deadline, options.review, [&](const std::string& message) {
                        std::lock_guard lock(errMutex);
                        err << "korvane-cli: review picture of " << file << " not saved: " << message << "\n";
                    });
            });
    hooks.onPicture = [&](std::size_t, const std::string& file, const Batch::PictureOutcome& outcome) {
        tally.Add(outcome);
        if (pairLines)
            for (const std::string& line : PairLines(file, outcome))
                out << line << "\n";
        if (!format)
            return;
        if (outcome.refused || outcome.cards.empty()) {
            gaps.Add({file, 0, outcome.refused ? outcome.reason : "no card found in the picture"}, map, deck,
                     err);
            return;
        }
        int inPicture = 0;
        for (std::size_t k = 0; k < outcome.cards.size(); ++k) {
            const nlohmann::json& content = outcome.cards[k].content;
            Deck::DeckCard card;
            if (DeckCardOfRecord(content, file, inPicture + 1, card)) {
                ++inPicture;
                deck.push_back(std::move(card));
            } else {
                gaps.Add({file, k + 1, content.value("message", std::string("its columns were not read"))},
                         map, deck, err);
            }
        }
    };
    bool deckStopped = false;
    hooks.onFinished = [&] {
        if (format && !(deckStopped = !gaps.MayWrite(options.deck, err)))
            WriteDeckFile(options.deck, *format, deck, map);
    };
    hooks.completeSummary = [&](Batch::Summary& summary) {
        if (format)
            gaps.Complete(summary);
        if (!options.duplex.empty())
            tally.Complete(summary);
    };
    const Batch::BatchResult result = Batch::RunBatch(batch, hooks, {in, out, err, errIsTerminal});
    if (!result.ok)
        err << "korvane-cli: " << result.message << "\n";
    return deckStopped ? std::max(result.exitStatus, kRefused) : result.exitStatus;
}

} // namespace Cli
