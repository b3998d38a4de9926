// The one layout of every JavaScript file of the project (scripts/check-js).
export default {
  printWidth: 120,
  singleQuote: true,
};
