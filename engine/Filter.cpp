#include "engine/Filter.h"

#include "engine/TunkSound.h"
#include "engine/core/Dsp.h"

void TunkSound::InitFilter()
{
	UpdateFilter(
	    generator.params[tunk::Param::filterQ], generator.params[tunk::Param::filterCutoff]);
}

void TunkSound::UpdateFilter(float q, float cutoff)
{
	generator.DesignFilter(q, cutoff);
}

float iir_filter(float input, FILTER* filter)
{
	return tunk::dsp::FilterSample(input, filter->coef, filter->history, filter->length);
}
