// The checks every JavaScript file of the project passes (scripts/check-js):
// ESLint's recommended rules, with the globals of where each file runs.
import js from '@eslint/js';
import globals from 'globals';

export default [
  { ignores: ['**/node_modules/**'] },
  js.configs.recommended,
  {
    languageOptions: { ecmaVersion: 2023, sourceType: 'module' },
    rules: {
      'no-unused-vars': ['error', { args: 'after-used', caughtErrors: 'none' }],
      eqeqeq: ['error', 'always'],
      'prefer-const': 'error',
      'no-var': 'error',
    },
  },
  // The page's modules run in the browser's window.
  { files: ['web/*.js'], languageOptions: { globals: globals.browser } },
  // The workers: the programs' worker with the factories its scripts define.
  {
    files: ['web/worker.js', 'web/worker/**/*.js'],
    languageOptions: { globals: { ...globals.worker, createTrevalk: 'readonly', createTrevalkPreview: 'readonly' } },
  },
  { files: ['web/sw.js'], languageOptions: { globals: globals.serviceworker } },
  // Tools, tests, benchmarks and scripts run in Node (the page tests also
  // hand functions to the browser).
  {
    files: ['web/tools/**/*.mjs', 'tests/**/*.mjs', 'scripts/**/*.mjs', 'bench/**/*.mjs'],
    languageOptions: { globals: { ...globals.node, ...globals.browser } },
  },
];
