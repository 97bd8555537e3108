#pragma once
// The two ways the recogniser can read a card. Written: location and reading
// exactly as first specified. Mended: the same steps with the measures that
// keep soft line ends, small cells, careless marks, shadows and cards of
// another layout from being misread. The written read stays available as the
// reference every mend is judged against: a mend must never turn a card the
// written read gets right into a wrong one.
namespace tarvel {

enum class ReadMethod { Mended, Written };

}  // namespace tarvel
